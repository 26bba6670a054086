/* Reads a file's version record the way Explorer does, through
   GetFileVersionInfo and VerQueryValue, and prints it in UTF-8:
     file 2.5.1.0
     product 2.5.1.0
     translation 0000 04b0
     KEY=VALUE        for each name given after the file
   Exits 1 when the file has no version record. */
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

static void PrintUtf8(const wchar_t* text) {
  char out[4096];
  int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, out, sizeof out, NULL, NULL);
  fwrite(out, 1, n > 0 ? (size_t)(n - 1) : 0, stdout);
}

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  wchar_t path[MAX_PATH];
  MultiByteToWideChar(CP_ACP, 0, argv[1], -1, path, MAX_PATH);
  DWORD ignored;
  DWORD size = GetFileVersionInfoSizeW(path, &ignored);
  void* info = size ? malloc(size) : NULL;
  if (info == NULL || !GetFileVersionInfoW(path, 0, size, info)) {
    printf("no version record (%lu)\n", GetLastError());
    return 1;
  }
  VS_FIXEDFILEINFO* fixed;
  UINT len;
  if (VerQueryValueW(info, L"\\", (void**)&fixed, &len) && len >= sizeof *fixed) {
    printf("file %u.%u.%u.%u\n", HIWORD(fixed->dwFileVersionMS),
           LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS),
           LOWORD(fixed->dwFileVersionLS));
    printf("product %u.%u.%u.%u\n", HIWORD(fixed->dwProductVersionMS),
           LOWORD(fixed->dwProductVersionMS), HIWORD(fixed->dwProductVersionLS),
           LOWORD(fixed->dwProductVersionLS));
  }
  WORD* translation;
  if (!VerQueryValueW(info, L"\\VarFileInfo\\Translation", (void**)&translation,
                      &len) || len < 4) {
    printf("no translation\n");
    return 1;
  }
  printf("translation %04x %04x\n", translation[0], translation[1]);
  for (int i = 2; i < argc; ++i) {
    wchar_t query[256], key[128];
    MultiByteToWideChar(CP_ACP, 0, argv[i], -1, key, 128);
    /* The table the translation names, as shells look it up. */
    swprintf(query, 256, L"\\StringFileInfo\\%04x%04x\\%ls", translation[0],
             translation[1], key);
    wchar_t* value;
    if (VerQueryValueW(info, query, (void**)&value, &len)) {
      printf("%s=", argv[i]);
      PrintUtf8(value);
      printf("\n");
    }
  }
  free(info);
  return 0;
}
