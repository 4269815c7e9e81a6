#include "tests/export/vlexport_tool/exportrun.h"

int main(int argc, char** argv)
{
    return RunVlExportTool(argc, argv);
}
