// Shows the launch message of each code named on the command line, one box
// after another, for the driver to read (Wine's +msgbox trace) and close.
// An argument is a code, or code,runtimeMajor,runtimeMinor,requiredMajor,
// requiredMinor. It reports each box on standard output before and after.
#include <stdio.h>
#include <stdlib.h>

#include "launcher/messages.h"

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    int v[5] = {0, 0, 0, 0, 0};
    sscanf(argv[i], "%d,%d,%d,%d,%d", &v[0], &v[1], &v[2], &v[3], &v[4]);
    TextBuffer text = ComposeLaunchMessage(v[0], v[1], v[2], v[3], v[4]);
    printf("showing %d\n", v[0]);
    fflush(stdout);
    ShowLaunchMessage(text);
    printf("closed %d\n", v[0]);
    fflush(stdout);
  }
  return 0;
}
