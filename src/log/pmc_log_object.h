// Conventions shared by every object of the logging facility: the interface
// identifier texts, the query by identifier, the base operations every
// logging object answers alike, and storage for objects that must outlive
// every static destructor.
#pragma once

#include <cstddef>
#include <new>

#include "log/pmc_log.h"

// Interface identifier texts (36 lowercase characters). A query compares the
// whole text, terminator included.
inline constexpr char PMC_IID_LOG_OBJECT[] = "da74598a-9178-43c9-86c6-cee9988f1b7f";
inline constexpr char PMC_IID_LOGGER[] = "5fe5b960-6b6f-11d5-82ea-00e02941dfe1";
inline constexpr char PMC_IID_LOGGER_OBJECT[] = "d638c730-6b6f-11d5-82ea-00e02941dfe1";
inline constexpr char PMC_IID_LOG_GROUP[] = "a1fc9560-6b6f-11d5-82ea-00e02941dfe1";
inline constexpr char PMC_IID_LOG_GROUP_OBJECT[] = "34430190-6b77-11d5-82ea-00e02941dfe1";
inline constexpr char PMC_IID_LOG_SINK[] = "13102460-7602-11d5-82f1-00e02941dfe1";
inline constexpr char PMC_IID_LOG_FILE_SINK[] = "2fb9f6c0-7602-11d5-82f1-00e02941dfe1";

// One row of an object's identifier table: the identifier text and the
// interface pointer handed out for it.
struct PmcLogIidEntry {
  const char* iid;
  void* itf;
};

// Stores the interface of the row whose identifier equals `iid`: 0 when
// found; -2 for a null `iid` or `out`; -4 and null stored when unknown.
int pmc_log_query(const char* iid, void** out, const PmcLogIidEntry* table, size_t count);

template <size_t N>
int pmc_log_query(const char* iid, void** out, const PmcLogIidEntry (&table)[N]) {
  return pmc_log_query(iid, out, table, N);
}

// The base operations that every logging object implements the same way.
// Inherited next to an interface, it supplies the final overriders of the
// virtual IPmcLogObject base.
class CPmcLogObjectBase : public virtual IPmcLogObject {
 public:
  int query_interface2(const char* iid, void** out) override { return query_interface(iid, out); }
  int unsupported_operation() override;
};

// The single instance of T, built on first use in static storage and never
// destroyed: logging stays usable while other static objects are destroyed
// at process exit. A constructor that throws leaves it unbuilt; the next
// call tries again.
template <class T>
T& pmc_log_immortal() {
  alignas(T) static unsigned char storage[sizeof(T)];
  static T* const object = new (storage) T();
  return *object;
}

// Builds a T on the heap; null when memory (for the object or anything its
// constructor copies) runs out. Nothing throws out of the facility.
template <class T, class... Args>
T* pmc_log_new(Args&&... args) noexcept {
  try {
    return new T(static_cast<Args&&>(args)...);
  } catch (...) {
    return nullptr;
  }
}
