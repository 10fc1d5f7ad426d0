#pragma once

#include <QString>

// Real permission and full-disk faults; see unprivileged.sh.
namespace quillar::test {

// Folder, file and device permissions bind this process (it is not root).
[[nodiscard]] bool permissionsBind();

// The small filesystem unprivileged.sh mounted; empty when there is none.
[[nodiscard]] QString smallDisk();

// Fills it to the last byte, and frees it again.
[[nodiscard]] bool fillSmallDisk();
void emptySmallDisk();

// How many of this process's open descriptors lead to the file at path.
[[nodiscard]] int openDescriptorsOf(const QString &path);

} // namespace quillar::test
