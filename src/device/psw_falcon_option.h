// The supported model: the one device model the library opens.
#pragma once

// sysObjectID of the model; devices answering it or an identifier below it
// are accepted.
constexpr const char* kPSWFalconSysObjectId = "1.3.6.1.4.1.47001.1.11.93.1.34.40.1";
constexpr const char* kPSWFalconModelName = "Quillmark-VII Q4410";

// Whether `sysObjectId` is `prefix` or lies below it: it begins with the
// prefix and ends there or goes on with '.' ("...40.1" is not below
// "...40.10"). False for null texts.
bool psw_sys_object_id_within(const char* sysObjectId, const char* prefix);

// Whether `sysObjectId` is the model's identifier or lies below it.
inline bool psw_is_falcon_sys_object_id(const char* sysObjectId) {
  return psw_sys_object_id_within(sysObjectId, kPSWFalconSysObjectId);
}
