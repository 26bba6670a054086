// The buffer family every string of the launcher lives in: views, growable
// narrow and UTF-16 buffers, an integer array and a packed string list.
// Storage comes from the C runtime heap; when the heap cannot grow a buffer
// the process ends at once (PlatformOutOfMemory), so no operation ever
// writes through a null pointer and none needs to report failure.
//
// Owning classes have exactly two virtual operations, the destructor and
// then Resize; views have the destructor only. Owning buffers move but do
// not copy. Lengths are explicit, so a text may hold NUL bytes.
#ifndef ZOV_TEXT_TEXT_H_
#define ZOV_TEXT_TEXT_H_

#include <stddef.h>
#include <stdint.h>

// Capacity an owning buffer grows to for `need` elements: below 8 becomes
// 8, then it doubles once, then (need + 11) & ~7. Unchanged when it fits.
int32_t GrowCapacity(int32_t capacity, int32_t need);

// realloc that never returns null for a non-zero size.
void* HeapResize(void* storage, size_t bytes);

// Non-owning pointer and length of narrow text.
class TextView {
 public:
  TextView() = default;
  // count -1 measures up to the NUL; a null pointer then gives length 0.
  TextView(const char* data, int32_t count);
  virtual ~TextView() = default;

  const char* data() const { return data_; }
  int32_t length() const { return length_; }

 protected:
  char* data_ = nullptr;
  int32_t length_ = 0;
};

// Owning bytes without terminator.
class ByteBuffer : public TextView {
 public:
  ByteBuffer() = default;
  // A copy of count bytes; count 0 allocates nothing.
  ByteBuffer(const char* data, int32_t count);
  ByteBuffer(ByteBuffer&& other);
  ByteBuffer& operator=(ByteBuffer&& other);
  ByteBuffer(const ByteBuffer&) = delete;
  ByteBuffer& operator=(const ByteBuffer&) = delete;
  ~ByteBuffer() override;

  // Grows by the growth rule and sets the length to n (n >= 0).
  virtual void Resize(int32_t n);

  char* data() { return data_; }
  const char* data() const { return data_; }
  int32_t capacity() const { return capacity_; }

  void Append(const char* data, int32_t count);
  // Opens k elements at p (0 <= p <= length), moving the tail up; returns
  // a pointer to element p for the caller to fill.
  char* InsertGap(int32_t p, int32_t k);
  // Resize to the current length (a terminated kind gains its NUL) and
  // return the data pointer.
  char* CStr();
  void FreeStorage();
  void Clear() { Resize(0); }

 protected:
  void Reserve(int32_t need);
  int32_t capacity_ = 0;
};

// Owning narrow text in the ANSI code page with a NUL after its last
// character after every length change. Its storage is never null, so its
// data is always a terminated string.
class TextBuffer : public ByteBuffer {
 public:
  // The empty text, with storage for its NUL.
  TextBuffer();
  // count -1 measures up to the NUL; null with -1 is the empty text.
  explicit TextBuffer(const char* text, int32_t count = -1);
  // other is left the empty text after a construction, this one's former
  // text after an assignment: storage of its own either way.
  TextBuffer(TextBuffer&& other);
  TextBuffer& operator=(TextBuffer&& other);
  // Would leave the text without storage.
  void FreeStorage() = delete;

  void Resize(int32_t n) override;

  // Replaces the content by the conversion of count UTF-16 units (-1: up to
  // and including the NUL) to the ANSI code page.
  void AssignFromWide(const uint16_t* text, int32_t count);
  // Replaces the content by a copy of count bytes (-1: up to the NUL).
  void Assign(const char* text, int32_t count = -1);
  void Append(const char* text) { Append(text, -1); }
  void Append(const char* text, int32_t count);
  void Append(const TextBuffer& text) { Append(text.data(), text.length()); }
  // Never null: one test less at every caller.
  const char* c_str() const { return data_; }
};

// A copy of text and its NUL on the heap, for free().
char* HeapCopy(const TextBuffer& text);

// A new text holding a followed by b; a null text counts as empty.
TextBuffer Concat(const TextBuffer& a, const char* b);
TextBuffer Concat(const char* a, const TextBuffer& b);

// Byte-wise comparison of text's whole length with a NUL-terminated string
// (null counts as empty); bytes are signed. 0 when equal.
int CompareText(const TextBuffer& text, const char* other);

// Non-owning pointer and length of UTF-16 units.
class WideTextView {
 public:
  WideTextView() = default;
  WideTextView(const uint16_t* data, int32_t count);
  virtual ~WideTextView() = default;

  const uint16_t* data() const { return data_; }
  int32_t length() const { return length_; }
  // The unit at index, or fallback outside [0, length).
  uint16_t UnitAt(int32_t index, uint16_t fallback = 0) const;

 protected:
  uint16_t* data_ = nullptr;
  int32_t length_ = 0;
};

// Owning UTF-16 units without terminator; only ever used as the base of
// WideTextBuffer.
class WideBuffer : public WideTextView {
 public:
  WideBuffer() = default;
  WideBuffer(WideBuffer&& other);
  WideBuffer(const WideBuffer&) = delete;
  WideBuffer& operator=(const WideBuffer&) = delete;
  ~WideBuffer() override;

  virtual void Resize(int32_t n);

  uint16_t* data() { return data_; }
  int32_t capacity() const { return capacity_; }
  uint16_t* CStr();
  void FreeStorage();

 protected:
  void Reserve(int32_t need);
  int32_t capacity_ = 0;
};

// Owning UTF-16 text with a NUL unit after its last unit.
class WideTextBuffer : public WideBuffer {
 public:
  WideTextBuffer() = default;
  // count -1 measures up to the NUL unit; null with -1 is the empty text.
  WideTextBuffer(const uint16_t* text, int32_t count);
  WideTextBuffer(WideTextBuffer&& other) = default;

  void Resize(int32_t n) override;

  // Replaces the content by the conversion of count bytes (-1: up to and
  // including the NUL, which then counts in the length) from the ANSI code
  // page. A failed conversion leaves the buffer empty.
  void AssignFromAnsi(const char* text, int32_t count);
};

// Owning growable array of 32-bit integers.
class IntArray {
 public:
  IntArray() = default;
  IntArray(const int32_t* data, int32_t count);
  IntArray(const IntArray&) = delete;
  IntArray& operator=(const IntArray&) = delete;
  virtual ~IntArray();

  virtual void Resize(int32_t n);

  int32_t* data() { return data_; }
  const int32_t* data() const { return data_; }
  int32_t length() const { return length_; }
  int32_t capacity() const { return capacity_; }
  int32_t* InsertGap(int32_t p, int32_t k);
  void FreeStorage();

 protected:
  int32_t* data_ = nullptr;
  int32_t length_ = 0;
  int32_t capacity_ = 0;
};

// Packed list of NUL-terminated narrow strings: the offsets (this IntArray)
// into one character pool.
class StringList : public IntArray {
 public:
  StringList() = default;
  ~StringList() override;

  void Add(const char* text);
  int32_t Count() const { return length_; }
  // 0 <= i < Count().
  const char* Entry(int32_t i) const { return pool_.data() + data_[i]; }
  // Empties the list; the storage stays for reuse.
  void Clear();
  // Frees the offsets and the pool.
  void FreeAll();

  const ByteBuffer& pool() const { return pool_; }

 private:
  ByteBuffer pool_;
};

#endif  // ZOV_TEXT_TEXT_H_
