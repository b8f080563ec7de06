#include "startup/startup.h"

int main() { return quelb::RunSetup(); }
