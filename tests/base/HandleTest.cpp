#include "base/win/Handle.h"

#include "tests/controls/WindowTestKit.h"

#include <gtest/gtest.h>

#include <type_traits>
#include <vector>

namespace {

// A named event lives while any handle to it is open: whether it can still be opened tells
// whether an owner really closed its handle.
bool EventExists(const wchar_t* name) {
    HANDLE h = ::OpenEventW(SYNCHRONIZE, FALSE, name);
    if (!h) return false;
    ::CloseHandle(h);
    return true;
}

TEST(Handle, OwnersAreMoveOnly) {
    static_assert(!std::is_copy_constructible_v<qm::KernelHandle>);
    static_assert(!std::is_copy_assignable_v<qm::FileHandle>);
    static_assert(std::is_nothrow_move_constructible_v<qm::FindHandle>);
    static_assert(!std::is_copy_constructible_v<qm::Bstr>);
    static_assert(!std::is_copy_constructible_v<qm::GdiObject>);
}

TEST(Handle, EmptyValuesFollowTheKind) {
    qm::FileHandle file;
    EXPECT_EQ(file.Get(), INVALID_HANDLE_VALUE);
    EXPECT_FALSE(file);
    qm::KernelHandle event;
    EXPECT_EQ(event.Get(), nullptr);
    // A failed CreateFile gives INVALID_HANDLE_VALUE, which the file owner must not close.
    qm::FileHandle missing(::CreateFileW(L"Z:\\no\\such\\file", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(missing);
}

TEST(Handle, ClosesOnceAcrossMovesResetsAndPut) {
    {
        qm::KernelHandle a(::CreateEventW(nullptr, TRUE, FALSE, L"qm-test-a"));
        ASSERT_TRUE(a);
        qm::KernelHandle b(std::move(a));
        EXPECT_FALSE(a);
        qm::KernelHandle c;
        c = std::move(b);
        auto& self = c;
        c = std::move(self);  // self-move keeps the handle
        EXPECT_TRUE(EventExists(L"qm-test-a"));
        // Put() closes what was held before handing out the slot.
        *c.Put() = ::CreateEventW(nullptr, TRUE, FALSE, L"qm-test-b");
        EXPECT_FALSE(EventExists(L"qm-test-a"));
        c.Reset(::CreateEventW(nullptr, TRUE, FALSE, L"qm-test-c"));
        EXPECT_FALSE(EventExists(L"qm-test-b"));
        EXPECT_TRUE(EventExists(L"qm-test-c"));
    }
    EXPECT_FALSE(EventExists(L"qm-test-c"));
}

TEST(Handle, ReleaseGivesUpOwnership) {
    qm::KernelHandle a(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    HANDLE raw = a.Release();
    EXPECT_FALSE(a);
    EXPECT_TRUE(::CloseHandle(raw));  // still open: Release did not close it
}

TEST(Handle, BstrReadsNullAsEmptyAndFreesOnPut) {
    qm::Bstr empty;
    EXPECT_TRUE(empty.View().empty());
    qm::Bstr text(std::wstring_view(L"a\0b", 3));
    EXPECT_EQ(text.View().size(), 3u);  // embedded NUL kept
    *text.Put() = ::SysAllocString(L"new");
    EXPECT_EQ(text.View(), L"new");
    qm::Bstr moved(std::move(text));
    EXPECT_EQ(text.Get(), nullptr);
    EXPECT_EQ(moved.View(), L"new");
}

TEST(Handle, GdiObjectsAreReleased) {
    // Counted through the test kit: GetGuiResources answers 0 under Wine.
    const unsigned before = qm::testkit::CurrentGuiCounts().gdi;
    {
        std::vector<qm::GdiObject> held;
        for (int i = 0; i < 50; ++i) {
            held.emplace_back(::CreateSolidBrush(RGB(i, 0, 0)));
            ASSERT_TRUE(held.back());
        }
        // The count sees objects that are alive, or it could not see a leak either.
        EXPECT_GE(qm::testkit::CurrentGuiCounts().gdi, before + 50);
        held.erase(held.begin() + 10, held.end());   // destroyed in place
        qm::GdiObject moved(std::move(held.front()));  // moved-from owners release nothing twice
        held.clear();
    }
    EXPECT_EQ(qm::testkit::CurrentGuiCounts().gdi, before);
}

TEST(Handle, QuietCriticalErrorsRestoresTheThreadsErrorMode) {
    DWORD original = 0;
    ::SetThreadErrorMode(SEM_NOGPFAULTERRORBOX, &original);
    {
        qm::QuietCriticalErrors quiet;
        EXPECT_EQ(::GetThreadErrorMode(), static_cast<DWORD>(SEM_FAILCRITICALERRORS));
    }
    EXPECT_EQ(::GetThreadErrorMode(), static_cast<DWORD>(SEM_NOGPFAULTERRORBOX));
    ::SetThreadErrorMode(original, nullptr);
}

}  // namespace
