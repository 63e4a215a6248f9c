#include "shell/Entry.h"

int main(int argc, char** argv) { return corvane::RunCorvane(argc, argv); }
