// The outcome of writing a file, as every save of the program reports it.
#pragma once

// Why a file could not be written, in terms a user can act on.
enum class SaveFailure {
    None,
    NoWriteAccess,  // the folder or the file may not be written
    DiskFull,
    FileInUse,      // another program holds the file
    Other,
};

// The outcome of writing a file: true when it was written, otherwise why not.
struct SaveResult {
    SaveFailure failure = SaveFailure::None;
    explicit operator bool() const { return failure == SaveFailure::None; }
};
