#pragma once

#include "ImportFile.h"
#include "ImportPlan.h"

#include <QString>

// Files an import under the registration given for it: a file of one vehicle (or of none named)
// goes under it whole; in a file of several, only the vehicle the file calls so (by plate, name
// or key, in any letter case) is imported and the others are left out. Returns why it cannot
// be, in plain words, when the file has no such vehicle; else an empty text.
[[nodiscard]] QString FileUnderRegistration(const ImportFile& file, const QString& registration,
                                            ImportOptions& options);
