#include "Startup.h"

int main(int argc, char **argv)
{
    return runVartolin(argc, argv);
}
