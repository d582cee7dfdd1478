#pragma once

#include <QString>

// Shows a job's failure in the program's style and marks the job failed, so that it ends
// without the success message; path and error (errno, 0: none) say what failed and why.
void FailJob(const QString& message, const QString& path = {}, int error = 0);
