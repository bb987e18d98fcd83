#include "hosting/lv2_host.h"

#include <lv2/buf-size/buf-size.h>
#include <lv2/atom/atom.h>

namespace hosting {

Lv2Module::Lv2Module(const std::string& bundle, const std::string& binaryName)
    : bundle_(bundle), library_(bundle + "/" + binaryName) {
  function_ = reinterpret_cast<DescriptorFunction>(library_.symbol("lv2_descriptor"));
}

const LV2_Descriptor* Lv2Module::descriptor(const char* uri) const {
  if (!function_) return nullptr;
  for (std::uint32_t index = 0;; ++index) {
    const LV2_Descriptor* descriptor = function_(index);
    if (!descriptor || std::string(descriptor->URI) == uri) return descriptor;
  }
}

Lv2Features::Lv2Features(std::optional<std::int32_t> maxBlockLength) {
  list_.push_back(&mapFeature_);
  list_.push_back(&unmapFeature_);
  if (maxBlockLength) {
    blockLength_ = *maxBlockLength;
    options_.push_back({LV2_OPTIONS_INSTANCE, 0, map(LV2_BUF_SIZE__maxBlockLength), sizeof blockLength_,
                        map(LV2_ATOM__Int), &blockLength_});
    options_.push_back({LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr});
    optionsFeature_.data = options_.data();
    list_.push_back(&optionsFeature_);
  }
  list_.push_back(nullptr);
}

LV2_URID Lv2Features::map(const char* uri) {
  for (std::size_t i = 0; i < uris_.size(); ++i)
    if (uris_[i] == uri) return static_cast<LV2_URID>(i + 1);
  uris_.emplace_back(uri);
  return static_cast<LV2_URID>(uris_.size());
}

const char* Lv2Features::unmap(LV2_URID urid) const {
  return urid >= 1 && urid <= uris_.size() ? uris_[urid - 1].c_str() : nullptr;
}

const char* Lv2Features::unmapUri(LV2_URID_Unmap_Handle handle, LV2_URID urid) {
  return static_cast<const Lv2Features*>(handle)->unmap(urid);
}

LV2_URID Lv2Features::mapUri(LV2_URID_Map_Handle handle, const char* uri) {
  return static_cast<Lv2Features*>(handle)->map(uri);
}

Lv2Instance::Lv2Instance(const LV2_Descriptor* descriptor, LV2_Handle handle, std::function<void()> release)
    : descriptor_(descriptor), handle_(handle), release_(std::move(release)) {}

Lv2Instance::~Lv2Instance() {
  if (release_)
    release_();
  else
    descriptor_->cleanup(handle_);
}

}  // namespace hosting
