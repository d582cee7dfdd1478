#pragma once

#include <QString>

// Shows a job's failure in the program's style and marks the job failed, so that it ends
// without the success message.
void FailJob(const QString& message);
