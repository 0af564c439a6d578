// A holder that releases a handle when it goes out of scope; what "release" and "no handle"
// mean comes from the traits, so the same holder serves every kind of handle.
#pragma once

template <class Handle, class Traits>
class ScopedHandle {
public:
    ScopedHandle() = default;
    explicit ScopedHandle(Handle handle) : handle_(handle) {}
    ~ScopedHandle() { reset(); }

    ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.release()) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Traits::Invalid(); }

    // Gives up ownership without releasing.
    Handle release() {
        Handle handle = handle_;
        handle_ = Traits::Invalid();
        return handle;
    }

    void reset(Handle handle = Traits::Invalid()) {
        if (handle_ != Traits::Invalid() && handle_ != handle)
            Traits::Close(handle_);
        handle_ = handle;
    }

    // For functions that hand back a handle through a pointer (RegOpenKeyEx): releases the
    // one held, then lends the slot.
    Handle* Receive() {
        reset();
        return &handle_;
    }

private:
    Handle handle_ = Traits::Invalid();
};
