#pragma once
// The command-line run of the route writer, shared by the tool and the tests.
// Arguments as for the tool (argv[0] is the program name).
int RunVlExportTool(int argc, char** argv);
