#pragma once
// Creates the editor's 24 windows once, in the order the program relies on:
// the main window first (it reads the recent-projects list), then the
// options (which read "set.ini" and find the BVE folder), the wizard, the
// add-on manager, the other dialogs, the object browser (which fixes the
// object library's root from the options) and the track types, the replace
// dialog last. Every window is reached through its global instance and
// lives until DestroyForms.

#include <functional>

void CreateApplicationForms();

// The packager window belongs to a library that builds on the editor's, so
// the editor cannot name its class: the program installs the function that
// creates it (through CreateForm, which registers it) at its place in the
// order. Without one, a bare window of the same name and caption stands in.
using TPackageFormCreator = std::function<void()>;
void SetPackageFormCreator(TPackageFormCreator creator);
