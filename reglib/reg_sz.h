// RegSz: registry values in their own types (32-bit integers, texts, lists of texts,
// byte arrays) for automation clients, with the platform's status codes as results.
#pragma once

#include "dispatch.h"
#include "tavelund.h"

namespace vorms::reglib {

class RegSz final : public com::DispatchObject<_RegSz> {
 public:
  HRESULT STDMETHODCALLTYPE KeyExists(KeyRoot root, BSTR key, VARIANT_BOOL* result) override;
  HRESULT STDMETHODCALLTYPE CreateKey(KeyRoot root, BSTR key, LONG* result) override;
  HRESULT STDMETHODCALLTYPE DeleteKey(KeyRoot root, BSTR key, LONG* result) override;
  HRESULT STDMETHODCALLTYPE EnumKeys(KeyRoot root, BSTR key, SAFEARRAY** result) override;
  HRESULT STDMETHODCALLTYPE SetValue(KeyRoot* root, BSTR* key, BSTR* value_name, VARIANT* value,
                                     LONG* result) override;
  HRESULT STDMETHODCALLTYPE GetValue(KeyRoot* root, BSTR* key, BSTR* value_name,
                                     VARIANT* default_value, VARIANT* result) override;
  HRESULT STDMETHODCALLTYPE DeleteValue(KeyRoot root, BSTR key, BSTR value_name,
                                        LONG* result) override;
  HRESULT STDMETHODCALLTYPE EnumValues(KeyRoot* root, BSTR* key, ENUM_TYPES* data_type,
                                       SAFEARRAY** result) override;
};

}  // namespace vorms::reglib
