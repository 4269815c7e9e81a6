#pragma once
// Joins the route packager to the editor. The packager builds on the
// editor's lower layers but not on its windows, and the editor's library
// cannot name the packager: so the program, which links both, installs the
// links at start-up, before the windows are created:
// - start-up creates the real packager window as "FormPackage" at its place
//   in the window order;
// - the packager takes the BVE folder and the object library's folder from
//   the options window (FormOptions), read each time a package is built;
// - the export dialog's package choice hands the exported route to
//   FormPackage and builds the package, and so does the package wizard
//   (FormCreatePackage), with the object folder it collected from.

void InstallPackagerLink();
// Undoes InstallPackagerLink (tests).
void RemovePackagerLink();
