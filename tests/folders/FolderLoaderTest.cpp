#include "folders/FolderLoader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace {

using qm::folders::DriveInfo;
using qm::folders::FolderLoader;
using Paths = std::vector<std::string>;
using namespace std::chrono_literals;

// A disk of a table; a folder named in `hanging` keeps its caller waiting until Release. The
// state is shared with the workers, which may outlive the test's loader.
struct FakeDisk {
    struct State {
        std::mutex lock;
        std::condition_variable changed;
        bool released = false;
        int waiting = 0;   // calls inside a hang now
        int finished = 0;  // calls that returned
        std::map<std::string, Paths> folders;
        std::string hanging;
    };
    std::shared_ptr<State> state = std::make_shared<State>();

    qm::folders::DiskAccess Access() const {
        auto wait = [state = state](const std::string& path) {
            std::unique_lock guard(state->lock);
            if (path == state->hanging) {
                ++state->waiting;
                state->changed.notify_all();
                state->changed.wait(guard, [&] { return state->released; });
                --state->waiting;
            }
        };
        auto done = [state = state] {
            std::lock_guard guard(state->lock);
            ++state->finished;
            state->changed.notify_all();
        };
        return {nullptr,
                [wait, done](const std::string& root) -> std::optional<DriveInfo> {
                    wait(root);
                    done();
                    if (root == "E:\\") return std::nullopt;  // no medium
                    return DriveInfo{"Disk " + root.substr(0, 1), root, root.substr(0, 2), ""};
                },
                [state = state, wait, done](const std::string& folder, Paths& out) {
                    if (folder == "throws") throw std::runtime_error("unreadable");
                    wait(folder);
                    {
                        std::lock_guard guard(state->lock);
                        const auto found = state->folders.find(folder);
                        if (found != state->folders.end()) out = found->second;
                    }
                    done();
                },
                nullptr};
    }
    void WaitFor(const std::function<bool(State&)>& condition) const {
        std::unique_lock guard(state->lock);
        ASSERT_TRUE(state->changed.wait_for(guard, 30s, [&] { return condition(*state); }));
    }
    void Release() const {
        std::lock_guard guard(state->lock);
        state->released = true;
        state->changed.notify_all();
    }
};

// Counts wake calls and lets the test wait for the next one.
struct Wakes {
    std::shared_ptr<std::atomic<int>> count = std::make_shared<std::atomic<int>>(0);
    std::function<void()> Callback() const {
        return [count = count] { ++*count; };
    }
};

std::vector<FolderLoader::Answer> TakeAll(FolderLoader& loader, std::size_t expected) {
    std::vector<FolderLoader::Answer> answers;
    const auto until = FolderLoader::Clock::now() + 30s;
    while (answers.size() < expected && FolderLoader::Clock::now() < until) {
        for (auto& answer : loader.TakeAnswers()) answers.push_back(std::move(answer));
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_EQ(answers.size(), expected);
    return answers;
}

TEST(FolderLoader, AnswersEveryFolderAndDriveInTheirJobsOrder) {
    FakeDisk disk;
    disk.state->folders = {{"C:\\", {"C:\\Data"}}, {"C:\\Data", {"C:\\Data\\Mail", "C:\\Data\\Old"}}, {"D:\\", {}}};
    FolderLoader loader(disk.Access(), 1h);
    Wakes wakes;
    loader.SetWake(wakes.Callback());

    const auto folders = loader.ListFolders({"C:\\Data", "throws", "C:\\Missing"});
    auto answers = TakeAll(loader, 3);
    ASSERT_EQ(answers.size(), 3u);
    for (std::size_t i = 0; i < answers.size(); ++i) {
        EXPECT_EQ(answers[i].ticket, folders);
        EXPECT_EQ(answers[i].index, i);
        EXPECT_FALSE(answers[i].drive);
    }
    EXPECT_EQ(answers[0].subfolders, (Paths{"C:\\Data\\Mail", "C:\\Data\\Old"}));
    EXPECT_TRUE(answers[1].subfolders.empty());  // a listing that throws reads as unreadable
    EXPECT_TRUE(answers[2].subfolders.empty());
    EXPECT_GE(wakes.count->load(), 1);
    EXPECT_FALSE(loader.Running(folders));
    EXPECT_FALSE(loader.Waiting());

    const auto c = loader.QueryDrive("C:\\");
    const auto e = loader.QueryDrive("E:\\");
    answers = TakeAll(loader, 2);
    ASSERT_EQ(answers.size(), 2u);
    for (const auto& answer : answers) {
        if (answer.ticket == c) {
            ASSERT_TRUE(answer.drive);
            EXPECT_EQ(answer.drive->label, "Disk C");
            EXPECT_EQ(answer.subfolders, Paths{"C:\\Data"});
        } else {
            EXPECT_EQ(answer.ticket, e);
            EXPECT_FALSE(answer.drive);  // not ready: its root is never listed
        }
    }
    EXPECT_EQ(disk.state->finished, 2 + 2 + 1);  // two listings (the third threw), two queries, C:'s root only
    EXPECT_TRUE(loader.TakeOverdue(FolderLoader::Clock::now() + 2h).empty());  // nothing runs
}

TEST(FolderLoader, AJobWithoutAnswerWithinTheBoundIsOverdueOnceAndStillAnswersLate) {
    FakeDisk disk;
    disk.state->hanging = "slow";
    disk.state->folders = {{"fast", {"fast\\x"}}, {"slow", {"slow\\y"}}};
    FolderLoader loader(disk.Access(), 10s);
    const auto ticket = loader.ListFolders({"fast", "slow", "after"});
    disk.WaitFor([](FakeDisk::State& s) { return s.waiting == 1; });
    EXPECT_EQ(TakeAll(loader, 1)[0].subfolders, Paths{"fast\\x"});
    EXPECT_TRUE(loader.Waiting());

    const auto start = FolderLoader::Clock::now();
    // The bound counts from the last answer, so a long job that keeps answering is never overdue.
    EXPECT_TRUE(loader.TakeOverdue(start + 9s).empty());
    const auto overdue = loader.TakeOverdue(start + 11s);
    ASSERT_EQ(overdue.size(), 1u);
    EXPECT_EQ(overdue[0].ticket, ticket);
    EXPECT_EQ(overdue[0].firstUnanswered, 1u);
    EXPECT_TRUE(loader.TakeOverdue(start + 1h).empty());  // reported once
    EXPECT_FALSE(loader.Waiting());                       // nothing left within its bound...
    EXPECT_TRUE(loader.Running(ticket));                  // ...but the call still hangs

    disk.Release();
    const auto late = TakeAll(loader, 2);
    ASSERT_EQ(late.size(), 2u);
    EXPECT_EQ(late[0].index, 1u);
    EXPECT_EQ(late[0].subfolders, Paths{"slow\\y"});
    EXPECT_EQ(late[1].index, 2u);
    EXPECT_FALSE(loader.Running(ticket));
}

TEST(FolderLoader, ALoaderGoneWhileACallHangsIsNeitherWaitedForNorTouched) {
    FakeDisk disk;
    disk.state->hanging = "Z:\\";
    Wakes wakes;
    {
        FolderLoader loader(disk.Access(), 1s);
        loader.SetWake(wakes.Callback());
        loader.QueryDrive("Z:\\");
        disk.WaitFor([](FakeDisk::State& s) { return s.waiting == 1; });
    }  // returns at once although the call hangs
    EXPECT_EQ(disk.state->finished, 0);
    disk.Release();
    // The worker answers into the state it shares with nobody now and wakes no one.
    // The worker's copy of the disk goes last, when it has delivered its answer and ends.
    const auto until = FolderLoader::Clock::now() + 30s;
    while (disk.state.use_count() > 1 && FolderLoader::Clock::now() < until) std::this_thread::sleep_for(1ms);
    EXPECT_EQ(disk.state.use_count(), 1);
    EXPECT_EQ(disk.state->finished, 2);  // the query and the root listing
    EXPECT_EQ(wakes.count->load(), 0);
}

}  // namespace
