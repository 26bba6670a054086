/* A stand-in for the launcher in zovpack's tests: it exits 0 when the
   resources it is asked about load through the Windows resource loader.
     test_stub               string 1 of the message table
     test_stub splash W      bitmap 100, W pixels wide
     test_stub icon          icon group 1 loads as an icon */
#include <stdlib.h>
#include <string.h>
#include <windows.h>

int main(int argc, char** argv) {
  HINSTANCE self = GetModuleHandleA(NULL);
  WCHAR text[64];
  if (LoadStringW(self, 1, text, 64) <= 0) return 10;
  if (argc > 2 && strcmp(argv[1], "splash") == 0) {
    BITMAP info;
    HBITMAP bitmap = LoadBitmapA(self, MAKEINTRESOURCEA(100));
    if (bitmap == NULL) return 11;
    if (GetObjectA(bitmap, sizeof info, &info) == 0) return 12;
    if (info.bmWidth != atoi(argv[2])) return 13;
  }
  if (argc > 1 && strcmp(argv[1], "icon") == 0) {
    if (LoadIconA(self, MAKEINTRESOURCEA(1)) == NULL) return 14;
  }
  return 0;
}
