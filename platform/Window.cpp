#include "Window.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QThread>

namespace platform {

namespace {

template <typename Fn>
void RunOnWindowThread(WindowHandle window, Fn&& fn)
{
    if (!window)
        return;
    QObject* context = window->Context();
    if (!context)
        return;
    if (context->thread() == QThread::currentThread()) {
        fn();
        return;
    }
    // If the window is destroyed before the call runs, Qt discards the queued call and
    // releases the waiting thread; the QPointer keeps the call from reaching a dead window.
    QPointer<QObject> guard(context);
    QMetaObject::invokeMethod(
        context,
        [&] {
            if (guard)
                fn();
        },
        Qt::BlockingQueuedConnection);
}

}  // namespace

intptr_t SendWindowMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    intptr_t result = 0;
    RunOnWindowThread(window, [&] { result = window->HandleMessage(message, wParam, lParam); });
    return result;
}

void ShowMessageBox(WindowHandle window, const QString& text, const QString& caption)
{
    RunOnWindowThread(window, [&] { window->ShowMessageBox(text, caption); });
}

void SetWindowItemText(WindowHandle window, int id, const QString& text)
{
    RunOnWindowThread(window, [&] { window->SetItemText(id, text); });
}

}  // namespace platform
