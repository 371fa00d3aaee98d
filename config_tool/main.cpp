#include "config_tool/ToolMain.h"

int main(int argc, char** argv)
{
    return vorenta::RunConfigVorenta(argc, argv);
}
