#include "engine/EngineError.h"

#include <oleauto.h>

#include <cstdio>

#include "engine/EngineString.h"
#include "framework/TextConvert.h"

namespace {

std::wstring GuidText(const IID& iid) {
  wchar_t buf[64] = {};
  StringFromGUID2(iid, buf, 64);
  return buf;
}

}  // namespace

EngineError::EngineError(HRESULT hr, const IID& iid, std::wstring description)
    : m_hr(hr), m_iid(iid), m_description(std::move(description)) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
  m_message = "engine call failed: " + std::string(code) + " on " + ToBytes(GuidText(iid));
  if (!m_description.empty()) m_message += ": " + ToBytes(m_description);
}

EngineError EngineError::FromCall(HRESULT hr, const IID& iid, IUnknown* object) {
  std::wstring description;
  if (object) {
    ComRef<ISupportErrorInfo> support;
    if (SUCCEEDED(object->QueryInterface(IID_ISupportErrorInfo, support.PutVoid())) && support &&
        support->InterfaceSupportsErrorInfo(iid) == S_OK) {
      ComRef<IErrorInfo> info;
      if (GetErrorInfo(0, info.Put()) == S_OK && info) {
        EngineString text;
        if (SUCCEEDED(info->GetDescription(text.Out()))) description = text.Str();
      }
    }
  }
  return EngineError(hr, iid, std::move(description));
}
