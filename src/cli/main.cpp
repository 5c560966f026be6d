#include "cli/joincommand.h"

int main(int argc, char* argv[])
{
    return cli::runJoinCommand(argc, argv);
}
