// The object conventions of the management core.
//
// - Callers see objects through abstract interfaces; `release()` destroys an
//   object at once (there is no reference count, every object has one owner).
// - Factories are free functions `pmc_create_...(..., int* err)`: they store 0
//   or a result code through `err` (which may be null) and return the object
//   or null. `pmc_make` below writes that convention once.
// - Every implementation has a private face with two operations: destroy and
//   a post-construction step whose failure makes the factory release the
//   object and pass the code on (`CPmcObject`).
// - Internally, hold released-owned objects in `PmcPtr<T>` so every return
//   path releases them.
#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <utility>

#include "base/pmc_result.h"

// The implementation face shared by every core object.
class CPmcObject {
 public:
  CPmcObject() = default;
  CPmcObject(const CPmcObject&) = delete;
  CPmcObject& operator=(const CPmcObject&) = delete;

  // Deleting destructor of the implementation face. Defined out of line:
  // inlined into a final class, g++ mistakes `delete this` through a
  // secondary base for freeing a non-heap object.
  virtual void destroy();
  // Post-construction step; 0 except where a class must allocate more.
  virtual int post_construct() { return PMC_OK; }

 protected:
  virtual ~CPmcObject() = default;
};

// Stores `code` through `err` when `err` is not null.
inline void pmc_set_err(int* err, int code) {
  if (err != nullptr) *err = code;
}

// Builds an `Impl` and runs its post-construction step, following the factory
// convention: null and -3 when memory runs out, null and the step's code when
// the step fails (the half-built object is destroyed), else the object and 0.
template <class Impl, class... Args>
Impl* pmc_make(int* err, Args&&... args) noexcept {
  Impl* obj = nullptr;
  try {
    obj = new Impl(std::forward<Args>(args)...);
  } catch (...) {
    pmc_set_err(err, PMC_E_NOMEM);
    return nullptr;
  }
  int rc = obj->post_construct();
  if (rc != PMC_OK) {
    obj->destroy();
    pmc_set_err(err, rc);
    return nullptr;
  }
  pmc_set_err(err, PMC_OK);
  return obj;
}

// RAII holder for objects released through `release()`.
template <class T>
struct PmcRelease {
  void operator()(T* p) const noexcept {
    if (p != nullptr) p->release();
  }
};
template <class T>
using PmcPtr = std::unique_ptr<T, PmcRelease<T>>;

// ---------------------------------------------------------------------------
// IPmcText: an owned byte buffer with a terminating zero, handed out by
// operations such as `to_text`. Slot order is part of the contract.
// ---------------------------------------------------------------------------
class IPmcText {
 public:
  virtual void release() = 0;
  virtual size_t length() const = 0;
  virtual const char* c_str() const = 0;                            // null when empty
  virtual int assign(const void* bytes, size_t length) = 0;
  virtual int assign(const char* text) = 0;
  virtual int append(const void* bytes, size_t length) = 0;
  virtual int append(const char* text) = 0;
  virtual int append(const IPmcText* other) = 0;
  virtual int clone(IPmcText** out) const = 0;
  virtual bool equals(const void* bytes, size_t length) const = 0;
  virtual bool equals(const char* text) const = 0;
  virtual bool equals(const IPmcText* other) const = 0;

 protected:
  virtual ~IPmcText() = default;
};

// Creates an empty text buffer.
IPmcText* pmc_create_text(int* err);
// Creates a text buffer holding a copy of `text` (null counts as empty).
IPmcText* pmc_create_text(const char* text, int* err);
