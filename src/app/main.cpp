#include "wizard/MainForm.h"
#include "selection/SelectionForms.h"

int main(int argc, char** argv)
{
    // Forms opened by name are registered before anything can ask for them.
    selection::registerForms();
    return ProgramMain(argc, argv);
}
