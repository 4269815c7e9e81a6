#pragma once
// The archive component's own questions in the installer: whether to overwrite
// a file, and the password of an encrypted item.

// Installs them for every archive component of the program.
void InstallArchiveDialogs();
