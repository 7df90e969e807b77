#include "folders/FolderLoader.h"

#include <map>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

namespace qm::folders {

struct FolderLoader::Job {
    Ticket ticket = 0;
    std::vector<std::string> folders;
    bool drive = false;  // folders holds the drive's root path
};

struct FolderLoader::Shared {
    struct Progress {
        Clock::time_point lastAnswer;
        std::size_t answered = 0;
        std::size_t total = 0;
        bool overdue = false;
    };

    std::mutex lock;
    std::vector<Answer> answers;
    std::map<Ticket, Progress> running;
    std::function<void()> wake;
    bool wakeSent = false;

    // Runs one job to its end on the calling thread; nothing may escape it. `access` null: the
    // folders answer as unreadable.
    void Run(const DiskAccess* access, const Job& job) {
        for (std::size_t index = 0; index < job.folders.size(); ++index) {
            Answer answer;
            answer.ticket = job.ticket;
            answer.index = index;
            try {
                if (access && job.drive) answer.drive = access->queryDrive(job.folders[index]);
                if (access && (!job.drive || answer.drive)) access->listSubfolders(job.folders[index], answer.subfolders);
            } catch (...) {
                answer.subfolders.clear();  // as a folder that cannot be listed
            }
            Deliver(std::move(answer));
        }
    }

    void Deliver(Answer answer) {
        std::function<void()> toCall;
        {
            std::lock_guard guard(lock);
            const auto job = running.find(answer.ticket);
            if (job != running.end()) {
                job->second.lastAnswer = Clock::now();
                if (++job->second.answered >= job->second.total) running.erase(job);
            }
            answers.push_back(std::move(answer));
            if (!wakeSent && wake) {
                wakeSent = true;
                toCall = wake;
            }
        }
        if (toCall) toCall();
    }
};

FolderLoader::FolderLoader(DiskAccess access, Clock::duration bound)
    : access_(std::move(access)), bound_(bound), shared_(std::make_shared<Shared>()) {}

FolderLoader::~FolderLoader() {
    // Workers still running keep the shared state alive; they must wake nobody any more.
    std::lock_guard guard(shared_->lock);
    shared_->wake = nullptr;
}

void FolderLoader::SetWake(std::function<void()> wake) {
    std::lock_guard guard(shared_->lock);
    shared_->wake = std::move(wake);
    shared_->wakeSent = !shared_->answers.empty();
    if (shared_->wakeSent && shared_->wake) shared_->wake();
}

FolderLoader::Ticket FolderLoader::QueryDrive(const std::string& rootPath) {
    Job job;
    job.folders.push_back(rootPath);
    job.drive = true;
    return Start(std::move(job));
}

FolderLoader::Ticket FolderLoader::ListFolders(std::vector<std::string> folders) {
    Job job;
    job.folders = std::move(folders);
    return Start(std::move(job));
}

FolderLoader::Ticket FolderLoader::Start(Job job) {
    job.ticket = nextTicket_++;
    if (job.folders.empty()) return job.ticket;
    {
        std::lock_guard guard(shared_->lock);
        shared_->running[job.ticket] = {Clock::now(), 0, job.folders.size(), false};
    }
    try {
        // The worker owns copies of everything it uses: it may outlive this loader.
        std::thread([shared = shared_, access = access_, job] { shared->Run(&access, job); }).detach();
    } catch (const std::system_error&) {
        shared_->Run(nullptr, job);  // no thread to be had: unreadable rather than never answered
    }
    return job.ticket;
}

std::vector<FolderLoader::Answer> FolderLoader::TakeAnswers() {
    std::lock_guard guard(shared_->lock);
    shared_->wakeSent = false;
    return std::exchange(shared_->answers, {});
}

std::vector<FolderLoader::Overdue> FolderLoader::TakeOverdue(Clock::time_point now) {
    std::vector<Overdue> overdue;
    std::lock_guard guard(shared_->lock);
    for (auto& [ticket, progress] : shared_->running) {
        if (progress.overdue || now - progress.lastAnswer < bound_) continue;
        progress.overdue = true;
        overdue.push_back({ticket, progress.answered});
    }
    return overdue;
}

bool FolderLoader::Waiting() const {
    std::lock_guard guard(shared_->lock);
    if (!shared_->answers.empty()) return true;
    for (const auto& [ticket, progress] : shared_->running)
        if (!progress.overdue) return true;
    return false;
}

bool FolderLoader::Running(Ticket ticket) const {
    std::lock_guard guard(shared_->lock);
    return shared_->running.count(ticket) != 0;
}

}  // namespace qm::folders
