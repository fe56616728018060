// Targets: where and how a request is sent. Every target holds the message
// version, time-out, retries, maximum message size, local port and the
// destination address; a community target adds the community (and serves
// the message codec as the SNMPv1/SNMPv2c message header), an SNMPv3 target
// the user-based security parameters and the authoritative engine id.
//
// The two kinds are told apart by `accept` (a visitor with one operation
// per kind), by `uses_usm`, or by asking `query_interface` for the kind's
// interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/pmc_object.h"
#include "net/pmc_network_address.h"

class IPmsCommunityTarget;
class IPmsUsmTarget;

// Message version codes of a target.
enum PmsSnmpVersion : int32_t {
  PMS_VERSION_NONE = -1,  // after reset
  PMS_VERSION_V1 = 0,
  PMS_VERSION_V2C = 1,
  PMS_VERSION_V3 = 2,
};

// Identifiers for IPmsSnmpTarget::query_interface.
enum PmsTargetIid : int {
  PMS_IID_TARGET = 0,          // IPmsSnmpTarget*
  PMS_IID_TARGET_IMPL = 1,     // CPmsSnmpTargetBase*
  PMS_IID_COMMUNITY = 2,       // IPmsCommunityTarget* (3 answers the same)
  PMS_IID_COMMUNITY_ALT = 3,
  PMS_IID_USM = 4,             // IPmsUsmTarget* (5 answers the same)
  PMS_IID_USM_ALT = 5,
};

// The longest SNMPv3 user name a target accepts.
constexpr size_t PMS_MAX_USER_NAME = 32;

// One operation per target kind; `accept` calls the one of its kind.
class IPmsSnmpTargetVisitor {
 public:
  virtual int visit_community(IPmsCommunityTarget& target) = 0;
  virtual int visit_usm(IPmsUsmTarget& target) = 0;

 protected:
  virtual ~IPmsSnmpTargetVisitor() = default;
};

// ---------------------------------------------------------------------------
// ---------------------------------------------------------------------------
class IPmsSnmpTarget {
 public:
  virtual int accept(IPmsSnmpTargetVisitor& visitor) = 0;
  virtual void release() = 0;
  // Version -1, time-out -1, retries 0, maximum size 0, local port 0, no
  // address; the kind's own fields stay.
  virtual void reset() = 0;
  virtual IPmsSnmpTarget* clone(int* err) const = 0;
  // Common fields, a copy of other's address, then the kind's own fields;
  // -2 (nothing changed) when other is of the other kind.
  virtual int assign(const IPmsSnmpTarget& other) = 0;
  // Same kind and same community, or same user name, settings and texts;
  // the common fields and the engine id are not compared.
  virtual bool equals(const IPmsSnmpTarget& other) const = 0;
  virtual bool uses_usm() const = 0;
  // Stores the interface answering `id` (PmsTargetIid); null and -4 when
  // the target has none; -2 for a null `out`.
  virtual int query_interface(int id, void** out) = 0;
  virtual void set_version(int32_t version) = 0;
  virtual void set_timeout(int32_t milliseconds) = 0;
  virtual void set_retries(int32_t retries) = 0;
  virtual void set_max_message_size(size_t bytes) = 0;
  virtual void set_local_port(uint16_t port) = 0;
  virtual int32_t get_version() const = 0;
  virtual int32_t get_timeout() const = 0;
  virtual int32_t get_retries() const = 0;
  virtual size_t get_max_message_size() const = 0;
  virtual uint16_t get_local_port() const = 0;
  // Stores a copy of `address` (null clears it); the copy's failure is
  // returned and the old address kept.
  virtual int set_address(const IPmcNetworkAddress* address) = 0;
  // The stored copy (lent), null when none.
  virtual IPmcNetworkAddress* get_address() const = 0;

 protected:
  virtual ~IPmsSnmpTarget() = default;
};

// The community kind's own operations.
class IPmsCommunityTarget : public virtual IPmsSnmpTarget {
 public:
  // Copies the text; null clears it; -3 when it cannot be copied.
  virtual int set_community(const char* community) = 0;
  // The community, null when none.
  virtual const char* get_community() const = 0;

 protected:
  ~IPmsCommunityTarget() override = default;
};

// The SNMPv3 kind's own operations: the seven user parameters, in the
// order the request object hands them over, and the engine id. Text
// getters never return null ("" when empty).
class IPmsUsmTarget : public virtual IPmsSnmpTarget {
 public:
  virtual const char* get_user_name() const = 0;
  virtual int32_t get_security_level() const = 0;
  virtual int32_t get_auth_protocol() const = 0;
  virtual int32_t get_priv_protocol() const = 0;
  virtual const char* get_auth_pass_phrase() const = 0;
  virtual const char* get_priv_pass_phrase() const = 0;
  virtual const char* get_context_name() const = 0;
  // The engine id octets (never null, empty until set).
  virtual const IPmcText* get_engine_id() const = 0;
  // More than 32 characters gives -2 and keeps the old name; null is "".
  virtual int set_user_name(const char* name) = 0;
  virtual int set_security_level(int32_t level) = 0;
  virtual int set_auth_protocol(int32_t protocol) = 0;
  virtual int set_priv_protocol(int32_t protocol) = 0;
  // Null means "".
  virtual int set_auth_pass_phrase(const char* phrase) = 0;
  virtual int set_priv_pass_phrase(const char* phrase) = 0;
  virtual int set_context_name(const char* name) = 0;
  // A null pointer or zero length empties it.
  virtual int set_engine_id(const void* bytes, size_t length) = 0;

 protected:
  ~IPmsUsmTarget() override = default;
};

// A community target (no community) and an SNMPv3 target (empty user
// parameters); both with version -1, time-out -1 and no address.
IPmsSnmpTarget* pms_create_community_target(int* err);
IPmsSnmpTarget* pms_create_usm_target(int* err);

// The kind interfaces of a target, or null when it is of the other kind.
IPmsCommunityTarget* pms_community_of(IPmsSnmpTarget* target);
const IPmsCommunityTarget* pms_community_of(const IPmsSnmpTarget* target);
IPmsUsmTarget* pms_usm_of(IPmsSnmpTarget* target);
const IPmsUsmTarget* pms_usm_of(const IPmsSnmpTarget* target);

// ---------------------------------------------------------------------------
// Implementations
// ---------------------------------------------------------------------------

// The common fields and every operation that does not depend on the kind.
class CPmsSnmpTargetBase : public virtual IPmsSnmpTarget, public CPmcObject {
 public:
  void release() override { destroy(); }
  void reset() override;
  int assign(const IPmsSnmpTarget& other) override;
  bool equals(const IPmsSnmpTarget& other) const override;
  int query_interface(int id, void** out) override;
  void set_version(int32_t version) override { m_version = version; }
  void set_timeout(int32_t milliseconds) override { m_timeout = milliseconds; }
  void set_retries(int32_t retries) override { m_retries = retries; }
  void set_max_message_size(size_t bytes) override { m_maxMessageSize = bytes; }
  void set_local_port(uint16_t port) override { m_localPort = port; }
  int32_t get_version() const override { return m_version; }
  int32_t get_timeout() const override { return m_timeout; }
  int32_t get_retries() const override { return m_retries; }
  size_t get_max_message_size() const override { return m_maxMessageSize; }
  uint16_t get_local_port() const override { return m_localPort; }
  int set_address(const IPmcNetworkAddress* address) override;
  IPmcNetworkAddress* get_address() const override { return m_pAddress.get(); }

 protected:
  // The kind's interface identifier and interface pointer.
  virtual int kind_iid() const = 0;
  virtual void* kind_interface() = 0;
  // Copies the kind's fields of `other`, all or nothing: -2 when other is
  // of the other kind, -3 when a copy cannot be made.
  virtual int assign_kind(const IPmsSnmpTarget& other) = 0;
  // True when `other` (same kind) has the same kind fields.
  virtual bool same_kind(const IPmsSnmpTarget& other) const = 0;

  // The clone of a target of class `Impl`.
  template <class Impl>
  static IPmsSnmpTarget* clone_as(const IPmsSnmpTarget& from, int* err) {
    PmcPtr<IPmsSnmpTarget> copy(pmc_make<Impl>(err));
    if (!copy) return nullptr;
    int rc = copy->assign(from);
    pmc_set_err(err, rc);
    return rc == PMC_OK ? copy.release() : nullptr;
  }

 private:
  int32_t m_version = PMS_VERSION_NONE;
  int32_t m_timeout = -1;
  int32_t m_retries = 0;
  size_t m_maxMessageSize = 0;
  uint16_t m_localPort = 0;
  PmcPtr<IPmcNetworkAddress> m_pAddress;
};

class CPmsCommunityTarget final : public CPmsSnmpTargetBase, public virtual IPmsCommunityTarget {
 public:
  int accept(IPmsSnmpTargetVisitor& visitor) override { return visitor.visit_community(*this); }
  IPmsSnmpTarget* clone(int* err) const override { return clone_as<CPmsCommunityTarget>(*this, err); }
  bool uses_usm() const override { return false; }
  int set_community(const char* community) override;
  const char* get_community() const override { return m_hasCommunity ? m_community.c_str() : nullptr; }

 protected:
  int kind_iid() const override { return PMS_IID_COMMUNITY; }
  void* kind_interface() override { return static_cast<IPmsCommunityTarget*>(this); }
  int assign_kind(const IPmsSnmpTarget& other) override;
  bool same_kind(const IPmsSnmpTarget& other) const override;

 private:
  bool m_hasCommunity = false;
  std::string m_community;
};

class CPmsUsmTarget final : public CPmsSnmpTargetBase, public virtual IPmsUsmTarget {
 public:
  int post_construct() override;

  int accept(IPmsSnmpTargetVisitor& visitor) override { return visitor.visit_usm(*this); }
  IPmsSnmpTarget* clone(int* err) const override { return clone_as<CPmsUsmTarget>(*this, err); }
  bool uses_usm() const override { return true; }

  const char* get_user_name() const override { return m_user.userName.c_str(); }
  int32_t get_security_level() const override { return m_user.securityLevel; }
  int32_t get_auth_protocol() const override { return m_user.authProtocol; }
  int32_t get_priv_protocol() const override { return m_user.privProtocol; }
  const char* get_auth_pass_phrase() const override { return m_user.authPassPhrase.c_str(); }
  const char* get_priv_pass_phrase() const override { return m_user.privPassPhrase.c_str(); }
  const char* get_context_name() const override { return m_user.contextName.c_str(); }
  const IPmcText* get_engine_id() const override { return m_pEngineId.get(); }
  int set_user_name(const char* name) override;
  int set_security_level(int32_t level) override;
  int set_auth_protocol(int32_t protocol) override;
  int set_priv_protocol(int32_t protocol) override;
  int set_auth_pass_phrase(const char* phrase) override;
  int set_priv_pass_phrase(const char* phrase) override;
  int set_context_name(const char* name) override;
  int set_engine_id(const void* bytes, size_t length) override;

 protected:
  int kind_iid() const override { return PMS_IID_USM; }
  void* kind_interface() override { return static_cast<IPmsUsmTarget*>(this); }
  int assign_kind(const IPmsSnmpTarget& other) override;
  bool same_kind(const IPmsSnmpTarget& other) const override;

 private:
  // The seven user parameters.
  struct User {
    std::string userName;
    int32_t securityLevel = 0;
    int32_t authProtocol = 0;
    int32_t privProtocol = 0;
    std::string authPassPhrase;
    std::string privPassPhrase;
    std::string contextName;
  };

  // Stores a text parameter; -3 when it cannot be copied.
  static int store(std::string& field, const char* text);

  User m_user;
  PmcPtr<IPmcText> m_pEngineId;
};
