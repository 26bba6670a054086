/* Answers the launcher's message boxes under Wine, from inside the same
   Wine session, so that tests need no X focus tricks: every standard
   dialog (class #32770) that appears gets OK pressed. Runs until killed
   or for the number of seconds given; once it runs it creates the file
   named by its second argument, so that a test can wait for it. */
#include <stdlib.h>
#include <windows.h>

static BOOL CALLBACK PressOk(HWND window, LPARAM unused) {
  char className[16];
  (void)unused;
  if (GetClassNameA(window, className, sizeof className) &&
      lstrcmpA(className, "#32770") == 0 && IsWindowVisible(window)) {
    PostMessageA(window, WM_COMMAND, IDOK, 0);
  }
  return TRUE;
}

int main(int argc, char** argv) {
  int seconds = argc > 1 ? atoi(argv[1]) : 600;
  for (int i = 0; i < seconds * 10; ++i) {
    EnumWindows(PressOk, 0);
    if (i == 0 && argc > 2) {
      CloseHandle(CreateFileA(argv[2], GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL));
    }
    Sleep(100);
  }
  return 0;
}
