#pragma once
// Creates the editor's 24 windows once, in the order the program relies on:
// the main window first (it reads the recent-projects list), then the
// options (which read "set.ini" and find the BVE folder), the wizard, the
// add-on manager, the other dialogs, the object browser (which fixes the
// object library's root from the options) and the track types, the replace
// dialog last. Every window is reached through its global instance and
// lives until DestroyForms.

void CreateApplicationForms();
