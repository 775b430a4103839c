// Which paths count as inside the product folder, C:\Program Files\TAVOBatt.
#include <gtest/gtest.h>

#include <string>

#include "common/AllowedPath.h"

namespace {

struct PathCase {
    const wchar_t* path;
    BOOL allowed;
};

void ExpectVerdicts(std::initializer_list<PathCase> cases)
{
    for (const PathCase& c : cases)
        EXPECT_EQ(c.allowed, IsAllowedPath(c.path)) << testing::PrintToString(std::wstring(c.path));
}

TEST(IsAllowedPath, AbsolutePaths)
{
    const std::wstring inside = L"C:\\Program Files\\TAVOBatt\\";
    const std::wstring longest = inside + std::wstring(259 - inside.size(), L'x');
    const std::wstring tooLong = inside + std::wstring(300, L'x');
    ExpectVerdicts({
        // The longest path the resolution holds, and one it would have to cut.
        {longest.c_str(), TRUE},
        {tooLong.c_str(), FALSE},
        {L"C:\\Program Files\\TAVOBatt\\tbSched.exe.reg", TRUE},
        {L"c:\\PROGRAM FILES\\tavobatt\\TBSCHED.EXE.REG", TRUE},
        {L"C:\\Program Files\\TAVOBatt\\no such folder\\none.reg", TRUE},
        {L"C:/Program Files/TAVOBatt/tbSched.exe.reg", TRUE},
        {L"C:\\Program Files\\TAVOBatt", TRUE},
        {L"C:\\Program Files\\TAVOBatt\\", TRUE},
        {L"C:\\Program Files\\TAVOBatt\\Sub\\..\\tbSched.exe.reg", TRUE},
        // A sibling whose name begins with the product folder's is outside.
        {L"C:\\Program Files\\TAVOBattOld\\tbSched.exe.reg", FALSE},
        {L"C:\\Program Files\\TAVOBatt.reg", FALSE},
        {L"C:\\Program Files\\TAVOBatt\\..\\Other\\tbSched.exe.reg", FALSE},
        {L"C:\\Program Files\\TAVOBatt\\..\\TAVOBattOld\\x.reg", FALSE},
        // Short names are not expanded.
        {L"C:\\PROGRA~1\\TAVOBatt\\tbSched.exe.reg", FALSE},
        {L"D:\\Program Files\\TAVOBatt\\tbSched.exe.reg", FALSE},
        {L"C:\\Other\\TAVOBatt\\tbSched.exe.reg", FALSE},
        {L"C:\\Program Files", FALSE},
        {L"", FALSE},
    });
}

TEST(IsAllowedPath, RelativePathsAreResolvedAgainstTheCurrentDirectory)
{
    WCHAR szSaved[MAX_PATH] = {};
    ASSERT_NE(0u, GetCurrentDirectoryW(MAX_PATH, szSaved));
    ASSERT_TRUE(SetCurrentDirectoryW(L"C:\\Program Files\\TAVOBatt"));
    ExpectVerdicts({
        {L"tbSched.exe.reg", TRUE},
        {L".\\Kit\\tbSched.exe.reg", TRUE},
        {L"..\\TAVOBatt\\tbSched.exe.reg", TRUE},
        {L"..\\tbSched.exe.reg", FALSE},
        {L"\\Program Files\\TAVOBatt\\tbSched.exe.reg", TRUE},
    });
    ASSERT_TRUE(SetCurrentDirectoryW(L"C:\\"));
    ExpectVerdicts({
        {L"tbSched.exe.reg", FALSE},
        {L"Program Files\\TAVOBatt\\tbSched.exe.reg", TRUE},
    });
    SetCurrentDirectoryW(szSaved);
}

}  // namespace
