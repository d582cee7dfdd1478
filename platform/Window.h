#pragma once
// The main window as the copy engine sees it: a target for blocking messages, message
// boxes and control texts, reachable from any thread.

#include <QString>

#include <cstdint>

class QObject;

namespace platform {

class MessageTarget {
public:
    virtual ~MessageTarget() = default;
    // The object whose thread handles everything sent to this target.
    virtual QObject* Context() = 0;
    virtual intptr_t HandleMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;
    virtual void ShowMessageBox(const QString& text, const QString& caption) = 0;
    virtual void SetItemText(int id, const QString& text) = 0;
};

using WindowHandle = MessageTarget*;

// Runs the target's handler on its thread and returns after it was handled: a direct call
// on that thread, a blocking hand-off from any other. Returns 0 at once when there is no
// target, and returns without waiting for ever when the target goes away meanwhile.
intptr_t SendWindowMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// A message box with an OK button, no icon and the caption given; the caller waits for it.
void ShowMessageBox(WindowHandle window, const QString& text, const QString& caption);
void SetWindowItemText(WindowHandle window, int id, const QString& text);

} // namespace platform
