#pragma once

#include <QString>

// For the tests that meet real permission and full-disk faults. CTest runs
// them through unprivileged.sh, as nobody when the tests run as root.
namespace quillar::test {

// Folder, file and device permissions bind this process (it is not root).
[[nodiscard]] bool permissionsBind();

// The folder of the small filesystem unprivileged.sh mounted for this
// program; empty when there is none (an ordinary user runs the tests).
[[nodiscard]] QString smallDisk();

// Fills the small filesystem until not one more block fits; false when
// there is none or it could not be filled.
[[nodiscard]] bool fillSmallDisk();
// Frees what fillSmallDisk took.
void emptySmallDisk();

// How many of this process's open descriptors lead to the file at path.
[[nodiscard]] int openDescriptorsOf(const QString &path);

} // namespace quillar::test
