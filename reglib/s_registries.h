// sRegistries: the registry in plain text for scripts and programs (read, write,
// enumerate, delete, save a key to a file and restore it), with a small diagnostic log
// "libreglogs.txt" in the library's folder. Registered as an application object.
#pragma once

#include "dispatch.h"
#include "tavelund.h"

namespace vorms::reglib {

class sRegistries final : public com::DispatchObject<_sRegistries> {
 public:
  HRESULT STDMETHODCALLTYPE ExportRegKey(KeyRoot* root, BSTR* key_path, BSTR* file_name,
                                         VARIANT_BOOL* result) override;
  HRESULT STDMETHODCALLTYPE ImportRegKey(KeyRoot* root, BSTR* key_path, BSTR* file_name,
                                         VARIANT_BOOL* result) override;
  HRESULT STDMETHODCALLTYPE ReadRegKey(KeyRoot* root, BSTR* key_path, BSTR* sub_key,
                                       VARIANT* no_key_found_value, BSTR* result) override;
  HRESULT STDMETHODCALLTYPE WriteRegKey(KeyType* key_type, KeyRoot* root, BSTR* key_path,
                                        BSTR* sub_key, BSTR* sub_key_value,
                                        VARIANT_BOOL* result) override;
  HRESULT STDMETHODCALLTYPE EnumerateRegKeys(KeyRoot* root, BSTR* key_path,
                                             BSTR* result) override;
  HRESULT STDMETHODCALLTYPE EnumerateRegKeyValues(KeyRoot* root, BSTR* key_path,
                                                  BSTR* result) override;
  HRESULT STDMETHODCALLTYPE DeleteRegKey(KeyRoot* root, BSTR* key_path, BSTR* sub_key,
                                         VARIANT_BOOL* result) override;
  HRESULT STDMETHODCALLTYPE DeleteRegKeyValue(KeyRoot* root, BSTR* key_path, VARIANT* sub_key,
                                              VARIANT_BOOL* result) override;
  HRESULT STDMETHODCALLTYPE Writelogs(BSTR* logs, VARIANT* result) override;
};

}  // namespace vorms::reglib
