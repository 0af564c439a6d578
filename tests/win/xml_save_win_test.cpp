// The XML service on Windows: replacing the file on save, and narrow text in the ANSI code
// page that the test run was started with (1251 or 1252).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "base/code_page.h"
#include "xmlstore/xml_document.h"

namespace {

class TemporaryFolder {
public:
    TemporaryFolder() {
        char base[MAX_PATH];
        GetTempPathA(MAX_PATH, base);
        path_ = std::string(base) + "ostrak-win-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(GetTickCount()) + "\\";
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~TemporaryFolder() {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((path_ + "*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                DeleteFileA((path_ + found.cFileName).c_str());
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
        RemoveDirectoryA(path_.c_str());
    }
    std::string Path(const std::string& name) const { return path_ + name; }
    int FileCount() const {
        int count = 0;
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((path_ + "*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return 0;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++count;
        } while (FindNextFileA(search, &found));
        FindClose(search);
        return count;
    }

private:
    std::string path_;
};

std::string ReadBytes(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<unreadable>";
    std::string bytes(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    if (!bytes.empty()) ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    return bytes;
}

std::string Declaration() { return "<?xml version=\"1.0\" encoding=\"" + CodePageName(NarrowCodePage()) + "\"?>"; }

TEST(WinXmlSave, TargetHeldOpenWithoutSharingStaysIntactUntilReleased) {
    TemporaryFolder folder;
    const std::string target = folder.Path("user1-Time.xml");
    auto document = CreateXmlDocument();
    ASSERT_TRUE(document->LoadXml("<Ostrak><Date y=\"2026\"/></Ostrak>"));
    ASSERT_TRUE(SaveXmlDocument(*document, target));
    const std::string before = ReadBytes(target);

    document->DocumentElement().FirstChild().SetAttribute("time", std::int64_t{42});
    HANDLE holder = CreateFileA(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_EQ(SaveXmlDocument(*document, target).failure, SaveFailure::FileInUse);
    CloseHandle(holder);
    EXPECT_EQ(ReadBytes(target), before);
    EXPECT_EQ(folder.FileCount(), 1);  // no temporary file left behind

    ASSERT_TRUE(SaveXmlDocument(*document, target));
    EXPECT_EQ(ReadBytes(target), Declaration() + "\n<Ostrak>\n   <Date y=\"2026\" time=\"42\"/>\n</Ostrak>");
    EXPECT_EQ(folder.FileCount(), 1);
}

TEST(WinXmlSave, ReadOnlyTargetAndMissingFolderLeaveEverythingAsItWas) {
    TemporaryFolder folder;
    const std::string target = folder.Path("locked.xml");
    auto document = CreateXmlDocument();
    ASSERT_TRUE(document->LoadXml("<List/>"));
    ASSERT_TRUE(SaveXmlDocument(*document, target));
    ASSERT_TRUE(SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(document->LoadXml("<List><Pattern>x</Pattern></List>"));
    EXPECT_EQ(SaveXmlDocument(*document, target).failure, SaveFailure::NoWriteAccess);
    EXPECT_EQ(ReadBytes(target), Declaration() + "\n<List/>");
    EXPECT_EQ(folder.FileCount(), 1);
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);

    EXPECT_EQ(SaveXmlDocument(*document, folder.Path("missing\\log.xml")).failure, SaveFailure::Other);
    EXPECT_EQ(folder.FileCount(), 1);
}

TEST(WinCodePage, TheRunsAnsiCodePageIsTheOneAskedFor) {
    const char* expected = std::getenv("OSTRAK_EXPECT_ACP");
    if (!expected) GTEST_SKIP() << "run outside CTest: no code page asked for";
    EXPECT_EQ(NarrowCodePage(), std::atoi(expected));
    EXPECT_EQ(static_cast<int>(GetACP()), std::atoi(expected));
}

TEST(WinCodePage, NarrowTextSurvivesSaveAndLoad) {
    TemporaryFolder folder;
    // Characters every run can show: Cyrillic under 1251, accented Latin under 1252.
    const std::string name = NarrowCodePage() == 1251 ? "\xc1\xeb\xee\xea\xed\xee\xf2 \xb9 5" : "Caf\xe9 \xe0 la cr\xe8me \x80";
    auto document = CreateXmlDocument();
    ASSERT_TRUE(document->LoadXml("<Ostrak/>"));
    XmlNode app = document->CreateElement("App");
    app.SetAttribute("name", name);
    document->DocumentElement().AppendChild(app);
    const std::string path = folder.Path("names.xml");
    ASSERT_TRUE(SaveXmlDocument(*document, path));
    const std::string bytes = ReadBytes(path);
    EXPECT_EQ(bytes, Declaration() + "\n<Ostrak>\n   <App name=\"" + name + "\"/>\n</Ostrak>");
    if (NarrowCodePage() == 1251) {
        EXPECT_EQ(bytes.substr(0, 45), "<?xml version=\"1.0\" encoding=\"Windows-1251\"?>");
    }

    auto loaded = CreateXmlDocument();
    ASSERT_TRUE(loaded->Load(path));
    EXPECT_TRUE(loaded->AsNode().SelectSingleNode("//App[@name=\"" + name + "\"]"));
    std::string value;
    loaded->DocumentElement().FirstChild().GetAttribute("name", value);
    EXPECT_EQ(value, name);
}

TEST(WinCodePage, ForeignCharactersReadAsTheDefaultCharacterAndSaveAsReferences) {
    auto document = CreateXmlDocument();
    // A Chinese character (no single-byte code page has it), a Greek one (neither 1251 nor
    // 1252) and an accented Latin one (1252 only).
    ASSERT_TRUE(document->LoadXml("<r a=\"\xe6\x97\xa5\xce\xa9\xc3\xa9\">\xce\xa9</r>"));
    const bool western = NarrowCodePage() == 1252;
    std::string value;
    document->DocumentElement().GetAttribute("a", value);
    EXPECT_EQ(value, western ? "??\xe9" : "???");
    EXPECT_EQ(FormatXmlDocument(*document),
              Declaration() + "\n<r a=\"&#26085;&#937;" + (western ? "\xe9" : "&#233;") + "\">&#937;</r>");
}

TEST(WinCodePage, AMultibyteCodePageKeepsItsCharactersAndReferencesTheRest) {
    // As on a Japanese Windows that does not honour the manifest's wish for UTF-8.
    SetNarrowCodePage(932);
    auto document = CreateXmlDocument();
    ASSERT_TRUE(document->LoadXml("<r a=\"\xe6\x97\xa5\xce\xa9\xe2\x82\xac\"/>"));  // 日, Omega, euro sign
    const std::string saved = FormatXmlDocument(*document);
    SetNarrowCodePage(0);
    EXPECT_EQ(saved, "<?xml version=\"1.0\" encoding=\"shift_jis\"?>\n<r a=\"\x93\xfa\x83\xb6&#8364;\"/>");
}

TEST(WinCodePage, FilesInOtherCodePagesLoad) {
    // The same word in Windows-1251 and in KOI8-R: both read as Cyrillic text.
    auto cp1251 = CreateXmlDocument();
    ASSERT_TRUE(cp1251->LoadXml("<?xml version=\"1.0\" encoding=\"windows-1251\"?><r>\xc4\xe0</r>"));
    auto koi8 = CreateXmlDocument();
    ASSERT_TRUE(koi8->LoadXml("<?xml version=\"1.0\" encoding=\"koi8-r\"?><r>\xe4\xc1</r>"));
    EXPECT_EQ(cp1251->DocumentElement().FirstChild().ValueUtf8(), "\xd0\x94\xd0\xb0");
    EXPECT_EQ(koi8->DocumentElement().FirstChild().ValueUtf8(), "\xd0\x94\xd0\xb0");
    EXPECT_FALSE(CreateXmlDocument()->LoadXml("<?xml version=\"1.0\" encoding=\"windows-99999\"?><r/>"));
}

}  // namespace
