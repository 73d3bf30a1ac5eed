#include "core/VarnoLogger_KVXApp.h"

int main(int argc, char** argv)
{
    return RunApplication(argc, argv, theApp);
}
