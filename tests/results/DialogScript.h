// Answers the modal dialogs this thread shows (message boxes, the shell's confirmation, the
// open-file dialog) as a user would: each top-level dialog, once it is visible, gets the next
// answer of the script, which presses its buttons or types into it. A dialog beyond the script
// is cancelled and counted as unexpected.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace qm::test {

struct SeenDialog {
    std::wstring caption;
    std::wstring text;  // a message box's text (its static control 0xFFFF)
};

class DialogScript {
public:
    using Answer = std::function<void(HWND dialog)>;
    explicit DialogScript(std::vector<Answer> answers);
    ~DialogScript();
    DialogScript(const DialogScript&) = delete;
    DialogScript& operator=(const DialogScript&) = delete;

    const std::vector<SeenDialog>& Seen() const { return seen_; }
    int Unexpected() const { return unexpected_; }
    size_t AnswersLeft() const { return answers_.size() - next_; }

    // Presses a button by its id.
    static Answer Press(int id);
    // Types a file name into an open-file or save-file dialog and presses Open or Save.
    static Answer OpenFile(const std::wstring& path);
    // The file-name box of an open-file or save-file dialog.
    static HWND FileNameBox(HWND dialog);

private:
    static LRESULT CALLBACK Watch(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK Serve(HWND, UINT, UINT_PTR timer, DWORD);

    std::vector<Answer> answers_;
    size_t next_ = 0;
    std::vector<HWND> pending_;
    std::vector<SeenDialog> seen_;
    int unexpected_ = 0;
    HHOOK hook_ = nullptr;
};

}  // namespace qm::test
