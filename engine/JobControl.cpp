#include "JobControl.h"

#include "JobState.h"
#include "Texts.h"

void FailJob(const QString& message, const QString& path, int error)
{
    NoteFailure(path, error);
    g_job.failed = true;
    g_job.errorShown = true;
    platform::ShowMessageBox(g_mainWindow, message, texts::kCaptionError);
}
