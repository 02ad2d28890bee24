#include "foundation/PathUtils.h"

#include <gtest/gtest.h>

TEST(PathUtils, Extensions)
{
    EXPECT_EQ(GetExtension("C:\\dir.x\\name.tar.gz"), "gz");
    EXPECT_EQ(GetExtension("C:\\dir.x\\name"), "");
    EXPECT_EQ(RemoveExtension("C:\\dir.x\\name.txt"), "C:\\dir.x\\name");
    EXPECT_EQ(RemoveExtension("C:\\dir.x\\name"), "C:\\dir.x\\name");
    EXPECT_EQ(ReplaceExtension("a.txt", ".log"), "a.log");
    EXPECT_EQ(ReplaceExtension("a.txt", ""), "a");
    EXPECT_EQ(ReplaceExtWithSuffix("a.txt", "_old", "bak"), "a_old.bak");
    EXPECT_EQ(ReplaceExtWithSuffix("a.txt", "_old", ""), "a_old");
    EXPECT_EQ(InsertBeforeExt("a.txt", "_1"), "a_1.txt");
    EXPECT_EQ(InsertBeforeExt("dir.d\\a", "_1"), "dir.d\\a_1");
}

TEST(PathUtils, ExpandFileNameDefaults)
{
    EXPECT_EQ(ExpandFileNameDefaults("task", "C:\\Tasks", ".buj"), "C:\\Tasks\\task.buj");
    EXPECT_EQ(ExpandFileNameDefaults("task.x", "C:\\Tasks\\", "buj"), "C:\\Tasks\\task.x");
    EXPECT_EQ(ExpandFileNameDefaults("D:task", "C:\\Tasks", "buj"), "D:task.buj");
    EXPECT_EQ(ExpandFileNameDefaults("\\t", "C:\\Tasks", "buj"), "\\t.buj");
    EXPECT_EQ(ExpandFileNameDefaults("t", "", "buj"), "t.buj");
}

TEST(PathUtils, ShortenPath)
{
    const std::string path = "C:\\Users\\anna\\Documents\\file.txt";
    EXPECT_EQ(ShortenPath(path, 100), path);
    EXPECT_EQ(ShortenPath(path, 20), "C:\\...\\file.txt");
    EXPECT_EQ(ShortenPath(path, 25), "C:\\Users\\...\\file.txt");
    const std::string shortened = ShortenPath(path, 10);
    EXPECT_EQ(shortened, "...ile.txt");
    EXPECT_EQ(ShortenPath("nodelimiterhere", 8), "...rhere");
}

TEST(PathUtils, FoldersAndDrives)
{
    EXPECT_EQ(ExtractParentDir("C:\\a\\b\\"), "C:\\a");
    EXPECT_EQ(ExtractParentDir("C:\\a"), "C:");
    EXPECT_EQ(ExtractParentDir("\\a"), "\\a");
    EXPECT_EQ(ExtractParentDir("name"), "name");
    EXPECT_EQ(AddPathDelimiter(""), "");
    EXPECT_EQ(AddPathDelimiter("C:"), "C:\\");
    EXPECT_EQ(AddPathDelimiter("C:\\"), "C:\\");
    EXPECT_EQ(ExtractFileName("C:\\a\\b.txt"), "b.txt");
    EXPECT_EQ(ExtractFilePath("C:\\a\\b.txt"), "C:\\a\\");
    EXPECT_TRUE(IsAbsolutePath("a:b"));
    EXPECT_TRUE(IsAbsolutePath("\\x"));
    EXPECT_FALSE(IsAbsolutePath("x\\y"));
    EXPECT_FALSE(NotSpecialDir(".."));
    EXPECT_TRUE(NotSpecialDir("..."));
    EXPECT_EQ(MakeRelativePath("C:\\Tasks\\a.buj", "c:\\tasks\\a.buj\\x.txt"), "a.buj\\x.txt");
    EXPECT_EQ(MakeRelativePath("C:\\Tasks\\", "C:\\Tasks\\sub\\x.txt"), "sub\\x.txt");
    EXPECT_EQ(MakeRelativePath("C:\\Tasks\\", "D:\\x.txt"), "D:\\x.txt");
}

TEST(PathUtils, FileNameValidityAndFilters)
{
    EXPECT_TRUE(IsValidFileName(""));
    EXPECT_TRUE(IsValidFileName("é.txt"));
    EXPECT_FALSE(IsValidFileName("a?b"));
    EXPECT_FALSE(IsValidFileName("tab\there"));
    EXPECT_EQ(ReplaceInvalidChars("a:b*c", '_'), "a_b_c");
    EXPECT_EQ(GetFilterIndex("Text|*.txt|All|*.*", "doc"), 2);
    EXPECT_EQ(GetFilterIndex("Text|*.txt|All|*.*", "TXT"), 1);
}
