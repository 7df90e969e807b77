// Reads drives and folders for the folder tree on threads of its own, so that a drive that does
// not answer (a network drive whose server is gone can keep a call waiting for most of a
// minute) never holds up the thread that owns the window. Answers queue up until the owner
// takes them; a job that has given no answer for longer than the time bound is reported once
// as overdue, and its answers are still handed over should they come later.
//
// Workers are never waited for: a call that hangs may never return. Each worker holds the
// shared state and its own copy of the disk access, so a loader destroyed while a call hangs
// leaves nothing behind that the worker could touch when the call returns at last.
#pragma once

#include "folders/FolderTree.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qm::folders {

// What the folder tree asks of the disks. Only driveRoots runs on the owner's thread: it reads
// the system's drive table and never asks a drive. The others may block for as long as a drive
// takes, and run on any thread.
struct DiskAccess {
    std::function<std::vector<std::string>()> driveRoots;  // "C:\", in the system's order
    // The drive's label and names, or nothing when it is not ready (no medium, no access).
    std::function<std::optional<DriveInfo>(const std::string& rootPath)> queryDrive;
    SubfolderLister listSubfolders;
    // The usual places of this user; on the owner's thread, once, as the tree is built (the
    // profile's own folders). None: the tree has no branch of usual places.
    std::function<std::vector<UsualPlaceFolder>()> usualPlaces;
};

class FolderLoader {
public:
    using Clock = std::chrono::steady_clock;
    using Ticket = std::uint32_t;

    struct Answer {
        Ticket ticket = 0;
        std::size_t index = 0;           // which folder of the job
        std::optional<DriveInfo> drive;  // drive jobs: the drive, or nothing when it is not ready
        std::vector<std::string> subfolders;
    };
    struct Overdue {
        Ticket ticket = 0;
        std::size_t firstUnanswered = 0;  // the job's folders from here on have not answered
    };

    FolderLoader(DiskAccess access, Clock::duration bound);
    ~FolderLoader();  // never waits for a worker
    FolderLoader(const FolderLoader&) = delete;
    FolderLoader& operator=(const FolderLoader&) = delete;

    const DiskAccess& Access() const { return access_; }

    // Called on a worker thread when answers start to wait (once until they are taken): it must
    // be cheap and safe on any thread, such as posting a message. A worker that took it just
    // before the loader went may still call it once afterwards, so it must not reach into the
    // owner (a message to a window that is gone is dropped).
    void SetWake(std::function<void()> wake);

    // One answer: the drive (its label) and, when it is ready, its first-level folders.
    Ticket QueryDrive(const std::string& rootPath);
    // One answer per folder, in order, each with the folder's subfolders.
    Ticket ListFolders(std::vector<std::string> folders);

    std::vector<Answer> TakeAnswers();
    // The jobs that became overdue by `now`: no answer for longer than the bound since the job
    // started or since its last answer. Each job is reported once.
    std::vector<Overdue> TakeOverdue(Clock::time_point now);
    // Answers wait to be taken, or a job still runs within its bound.
    bool Waiting() const;
    // A job has not given all its answers yet (overdue or not).
    bool Running(Ticket ticket) const;

private:
    struct Shared;
    struct Job;
    Ticket Start(Job job);

    DiskAccess access_;
    Clock::duration bound_;
    std::shared_ptr<Shared> shared_;
    Ticket nextTicket_ = 1;
};

}  // namespace qm::folders
