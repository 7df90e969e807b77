// Swapping a file for its replacement as Windows does: each way ReplaceFileW can fail, played by
// a stand-in that leaves the files as its documentation says, ends with the old file whole in
// its place, its attributes back, the replacement where it was and no backup left behind.
#include "base/win/FileReplace.h"

#include "base/PathSplit.h"
#include "tests/results/ScratchFolder.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qm {
namespace {

using test::Bytes;
using test::ScratchFolder;

TEST(ReplaceKeepingMetadata, EveryFailureOfTheSwapLeavesTheOldFileInItsPlace) {
    enum class Leaves { BothInPlace, OldUnderBackupName, OldStuckUnderBackupName };
    const struct {
        const char* what;
        DWORD error;
        Leaves leaves;
    } cases[] = {
        {"the old file cannot be removed", ERROR_UNABLE_TO_REMOVE_REPLACED, Leaves::BothInPlace},
        {"the replacement cannot be moved (backup name given)", ERROR_UNABLE_TO_MOVE_REPLACEMENT, Leaves::BothInPlace},
        {"the replacement cannot be moved, the old file is under the backup name", ERROR_UNABLE_TO_MOVE_REPLACEMENT_2,
         Leaves::OldUnderBackupName},
        {"any other error", ERROR_ACCESS_DENIED, Leaves::BothInPlace},
        {"the old file is under the backup name and cannot be moved back", ERROR_UNABLE_TO_MOVE_REPLACEMENT_2,
         Leaves::OldStuckUnderBackupName},
    };
    const Bytes oldBytes{'o', 'l', 'd'}, newBytes{'n', 'e', 'w'};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchFolder folder;
        const std::string path = folder.File("Editor.lnk", oldBytes);
        const std::string replacement = folder.File("~new.tmp", newBytes);
        const DWORD attributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
        ASSERT_TRUE(::SetFileAttributesW(FileApiPath(path).c_str(), attributes));
        FileHandle holdsBackup;  // keeps the moved-aside file from being moved back
        std::wstring backupGiven;
        const ReplaceFileCall fails = [&](const wchar_t* replaced, const wchar_t*, const wchar_t* backup) {
            backupGiven = backup;
            if (c.leaves != Leaves::BothInPlace) {
                ::MoveFileExW(replaced, backup, 0);
                if (c.leaves == Leaves::OldStuckUnderBackupName)
                    holdsBackup.Reset(::CreateFileW(backup, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
            }
            ::SetLastError(c.error);
            return FALSE;
        };

        const ReplaceResult result = ReplaceKeepingMetadata(path, FileApiPath(replacement), fails);
        EXPECT_EQ(result.error, c.error);
        holdsBackup.Reset();
        const std::string oldFile = c.leaves == Leaves::OldStuckUnderBackupName ? Narrow(backupGiven) : path;
        EXPECT_EQ(Narrow(result.oldFileAt), c.leaves == Leaves::OldStuckUnderBackupName ? oldFile : "");
        Bytes bytes;
        EXPECT_TRUE(test::ReadBytes(oldFile, bytes));
        EXPECT_EQ(bytes, oldBytes);
        EXPECT_EQ(test::Attributes(oldFile) & attributes, attributes);
        EXPECT_TRUE(test::ReadBytes(replacement, bytes));
        EXPECT_EQ(bytes, newBytes);
        std::vector<std::string> names = ScratchFolder::Names(folder.Root()), expected{PathFileName(oldFile), "~new.tmp"};
        std::sort(names.begin(), names.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(names, expected) << "nothing but the old file and the replacement";
    }
}

}  // namespace
}  // namespace qm
