#include "driver/run.h"

int main(int argc, char** argv) { return kavo::run_command(argc, argv); }
