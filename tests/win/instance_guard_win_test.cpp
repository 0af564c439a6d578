// One tracker per time log, however the program's folder is spelled when it starts.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/instance_guard.h"
#include "app/lifecycle.h"
#include "tests/win/program_folder.h"

namespace {

TEST(InstanceGuardName, AShortOrOtherwiseCasedFolderNamesTheSameGuard) {
    const std::string folder = MakeProgramFolder("guard-with-a-long-name");
    char shortName[MAX_PATH] = {};
    ASSERT_TRUE(GetShortPathNameA(folder.c_str(), shortName, MAX_PATH));
    ASSERT_NE(std::string(shortName), folder) << "the folder has an 8.3 name of its own";
    std::string upper = shortName;
    CharUpperBuffA(&upper[0], static_cast<DWORD>(upper.size()));
    const std::string guard = InstanceGuard::NameFor(LongFolderPath(folder) + "user1-Time.xml");
    for (const std::string& spelling : {std::string(shortName), upper})
        EXPECT_EQ(InstanceGuard::NameFor(LongFolderPath(spelling) + "user1-Time.xml"), guard) << spelling;
    RemoveProgramFolder(folder);
}

// A start in another session opens the guard by its global name.
TEST(InstanceGuardName, TheGuardIsTakenInTheNamespaceOfAllSessions) {
    const std::string log = "C:\\Ostrak\\user1-Time.xml";
    const std::string global = "Global\\" + InstanceGuard::NameFor(log);
    InstanceGuard guard;
    ASSERT_TRUE(guard.Acquire(log));
    ScopedKernelObject opened(OpenMutexA(SYNCHRONIZE, FALSE, global.c_str()));
    EXPECT_TRUE(opened) << global;
    guard.Release();
}

}  // namespace
