#include "text/text.h"

#include <stdlib.h>
#include <string.h>

#include "text/system_text.h"

int32_t GrowCapacity(int32_t capacity, int32_t need) {
  if (need <= capacity) return capacity;
  if (capacity < 8) capacity = 8;
  if (capacity < need) capacity *= 2;
  if (capacity < need) capacity = (need + 11) & ~7;
  return capacity;
}

void* HeapResize(void* storage, size_t bytes) {
  void* grown = realloc(storage, bytes);
  if (grown == nullptr && bytes != 0) PlatformOutOfMemory();
  return grown;
}

// The three owning kinds keep (data, length, capacity) alike and share
// these, with the element size as the only difference.
static void* GrowStorage(void* data, int32_t* capacity, int32_t need,
                         size_t unit) {
  int32_t grown = GrowCapacity(*capacity, need);
  if (grown == *capacity) return data;
  *capacity = grown;
  return HeapResize(data, static_cast<size_t>(grown) * unit);
}

// Opens k elements at p of an array already resized to old + k.
static void* OpenGap(void* data, int32_t old, int32_t p, int32_t k,
                     size_t unit) {
  char* at = static_cast<char*>(data) + static_cast<size_t>(p) * unit;
  memmove(at + static_cast<size_t>(k) * unit, at,
          static_cast<size_t>(old - p) * unit);
  return at;
}

static int32_t MeasureNarrow(const char* text) {
  return text ? static_cast<int32_t>(strlen(text)) : 0;
}

TextView::TextView(const char* data, int32_t count)
    : data_(const_cast<char*>(data)),
      length_(count == -1 ? MeasureNarrow(data) : count) {}

// --- ByteBuffer

ByteBuffer::ByteBuffer(const char* data, int32_t count) {
  if (count > 0) Append(data, count);
}

ByteBuffer::ByteBuffer(ByteBuffer&& other) {
  data_ = other.data_;
  length_ = other.length_;
  capacity_ = other.capacity_;
  other.data_ = nullptr;
  other.length_ = 0;
  other.capacity_ = 0;
}

ByteBuffer& ByteBuffer::operator=(ByteBuffer&& other) {
  if (this != &other) {
    free(data_);
    data_ = other.data_;
    length_ = other.length_;
    capacity_ = other.capacity_;
    other.data_ = nullptr;
    other.length_ = 0;
    other.capacity_ = 0;
  }
  return *this;
}

ByteBuffer::~ByteBuffer() { free(data_); }

void ByteBuffer::Reserve(int32_t need) {
  data_ = static_cast<char*>(GrowStorage(data_, &capacity_, need, 1));
}

void ByteBuffer::Resize(int32_t n) {
  Reserve(n);
  length_ = n;
}

void ByteBuffer::Append(const char* data, int32_t count) {
  int32_t old = length_;
  Resize(old + count);
  if (count > 0) memmove(data_ + old, data, static_cast<size_t>(count));
}

char* ByteBuffer::InsertGap(int32_t p, int32_t k) {
  int32_t old = length_;
  Resize(old + k);
  return static_cast<char*>(OpenGap(data_, old, p, k, 1));
}

char* ByteBuffer::CStr() {
  Resize(length_);
  return data_;
}

void ByteBuffer::FreeStorage() {
  free(data_);
  data_ = nullptr;
  length_ = 0;
  capacity_ = 0;
}

// --- TextBuffer

TextBuffer::TextBuffer() { Resize(0); }

TextBuffer::TextBuffer(const char* text, int32_t count) {
  Assign(text, count);
}

TextBuffer::TextBuffer(TextBuffer&& other) : TextBuffer() {
  *this = static_cast<TextBuffer&&>(other);
}

// An exchange: each side keeps storage, and other frees this one's old
// text with its own end.
TextBuffer& TextBuffer::operator=(TextBuffer&& other) {
  char* data = data_;
  int32_t length = length_;
  int32_t capacity = capacity_;
  data_ = other.data_;
  length_ = other.length_;
  capacity_ = other.capacity_;
  other.data_ = data;
  other.length_ = length;
  other.capacity_ = capacity;
  return *this;
}

void TextBuffer::Resize(int32_t n) {
  Reserve(n + 1);
  data_[n] = 0;
  length_ = n;
}

void TextBuffer::Assign(const char* text, int32_t count) {
  Resize(0);
  Append(text, count);
}

void TextBuffer::Append(const char* text, int32_t count) {
  ByteBuffer::Append(text, count == -1 ? MeasureNarrow(text) : count);
}

void TextBuffer::AssignFromWide(const uint16_t* text, int32_t count) {
  int32_t m = count == 0 ? 0 : PlatformWideToAnsi(text, count, nullptr, 0);
  Resize(m);
  if (m > 0) PlatformWideToAnsi(text, count, data_, m + 1);
}

char* HeapCopy(const TextBuffer& text) {
  size_t size = static_cast<size_t>(text.length()) + 1;
  char* copy = static_cast<char*>(HeapResize(nullptr, size));
  memcpy(copy, text.c_str(), size);
  return copy;
}

TextBuffer Concat(const TextBuffer& a, const char* b) {
  TextBuffer result(a.data(), a.length());
  result.Append(b);
  return result;
}

TextBuffer Concat(const char* a, const TextBuffer& b) {
  TextBuffer result(a);
  result.Append(b);
  return result;
}

int CompareText(const TextBuffer& text, const char* other) {
  int32_t n = other ? static_cast<int32_t>(strlen(other)) : 0;
  int32_t m = text.length();
  const char* bytes = text.c_str();
  int32_t i = 0;
  while (i < m && i < n && bytes[i] == other[i]) ++i;
  signed char a = static_cast<signed char>(i < m ? bytes[i] : 0);
  signed char b = static_cast<signed char>(i < n ? other[i] : 0);
  return a - b;
}

// --- Wide text

WideTextView::WideTextView(const uint16_t* data, int32_t count)
    : data_(const_cast<uint16_t*>(data)), length_(count) {}

uint16_t WideTextView::UnitAt(int32_t index, uint16_t fallback) const {
  if (index < 0 || index >= length_) return fallback;
  return data_[index];
}

WideBuffer::WideBuffer(WideBuffer&& other) {
  data_ = other.data_;
  length_ = other.length_;
  capacity_ = other.capacity_;
  other.data_ = nullptr;
  other.length_ = 0;
  other.capacity_ = 0;
}

WideBuffer::~WideBuffer() { free(data_); }

void WideBuffer::Reserve(int32_t need) {
  data_ = static_cast<uint16_t*>(
      GrowStorage(data_, &capacity_, need, sizeof(uint16_t)));
}

void WideBuffer::Resize(int32_t n) {
  Reserve(n);
  length_ = n;
}

uint16_t* WideBuffer::CStr() {
  Resize(length_);
  return data_;
}

void WideBuffer::FreeStorage() {
  free(data_);
  data_ = nullptr;
  length_ = 0;
  capacity_ = 0;
}

WideTextBuffer::WideTextBuffer(const uint16_t* text, int32_t count) {
  if (count == -1) {
    count = 0;
    while (text && text[count]) ++count;
  }
  Resize(count);
  if (count > 0) memcpy(data_, text, static_cast<size_t>(count) * 2);
}

void WideTextBuffer::Resize(int32_t n) {
  Reserve(n + 1);
  data_[n] = 0;
  length_ = n;
}

void WideTextBuffer::AssignFromAnsi(const char* text, int32_t count) {
  int32_t m = count == 0 ? 0 : PlatformAnsiToWide(text, count, nullptr, 0);
  Resize(m);
  if (m > 0 && PlatformAnsiToWide(text, count, data_, m + 1) == 0) Resize(0);
}

// --- IntArray and StringList

IntArray::IntArray(const int32_t* data, int32_t count) {
  if (count > 0) {
    Resize(count);
    memcpy(data_, data, static_cast<size_t>(count) * sizeof(int32_t));
  }
}

IntArray::~IntArray() { free(data_); }

void IntArray::Resize(int32_t n) {
  data_ = static_cast<int32_t*>(
      GrowStorage(data_, &capacity_, n, sizeof(int32_t)));
  length_ = n;
}

int32_t* IntArray::InsertGap(int32_t p, int32_t k) {
  int32_t old = length_;
  Resize(old + k);
  return static_cast<int32_t*>(OpenGap(data_, old, p, k, sizeof(int32_t)));
}

void IntArray::FreeStorage() {
  free(data_);
  data_ = nullptr;
  length_ = 0;
  capacity_ = 0;
}

StringList::~StringList() { pool_.FreeStorage(); }

void StringList::Add(const char* text) {
  *InsertGap(length_, 1) = pool_.length();
  pool_.Append(text, MeasureNarrow(text));
  pool_.Append("", 1);
}

void StringList::Clear() {
  Resize(0);
  pool_.Resize(0);
}

void StringList::FreeAll() {
  pool_.FreeStorage();
  FreeStorage();
}
