#pragma once
// The archive component's own questions in a program with a user interface:
// whether to overwrite a file, and the password of an encrypted item, asked
// through the platform's dialog functions. Kept apart from the engine, which
// has no user interface of its own.

// Installs them for every archive component of the program.
void InstallArchiveDialogs();
