// Which processor width a runtime library was built for, read from its
// file header, so that a library this process cannot load is passed over
// before LoadLibrary fails on it.
#ifndef ZOV_RUNTIME_LIBRARY_WIDTH_H_
#define ZOV_RUNTIME_LIBRARY_WIDTH_H_

// 32 or 64 for a PE image (by its machine field) or an ELF file (by its
// class); 0 when the file cannot be read or is neither.
int LibraryWidth(const char* path);

// This process's own width.
inline constexpr int kProcessWidth = static_cast<int>(sizeof(void*) * 8);

#endif  // ZOV_RUNTIME_LIBRARY_WIDTH_H_
