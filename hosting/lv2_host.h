// A host of LV2 plug-ins: a bundle's module loaded through its one export, the features a host offers at instantiation, and
// instances driven through their descriptor as an LV2 host drives them.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <lv2/core/lv2.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include "hosting/module.h"

namespace hosting {

// A bundle's module, loaded once; descriptor() looks the plug-in up by URI through
// lv2_descriptor, as a host does.
class Lv2Module {
 public:
  Lv2Module(const std::string& bundle, const std::string& binaryName);
  bool loaded() const { return function_ != nullptr; }
  const LV2_Descriptor* descriptor(const char* uri) const;
  const std::string& bundle() const { return bundle_; }
  const hosting::Module& library() const { return library_; }

 private:
  using DescriptorFunction = const LV2_Descriptor* (*)(std::uint32_t index);
  std::string bundle_;
  hosting::Module library_;
  DescriptorFunction function_ = nullptr;
};

// A URID map and unmap and, given a block length, the options feature announcing it as
// buf-size maxBlockLength (an atom Int). Keeps what it hands out alive and in place.
class Lv2Features {
 public:
  explicit Lv2Features(std::optional<std::int32_t> maxBlockLength = std::nullopt);
  Lv2Features(const Lv2Features&) = delete;
  Lv2Features& operator=(const Lv2Features&) = delete;

  // The null-terminated list for instantiate.
  const LV2_Feature* const* list() const { return list_.data(); }
  const LV2_Feature* mapFeature() const { return &mapFeature_; }
  LV2_URID map(const char* uri);
  // The URI of a mapped number; null for one never handed out.
  const char* unmap(LV2_URID urid) const;
  LV2_URID_Map* mapper() { return &map_; }
  LV2_URID_Unmap* unmapper() { return &unmap_; }

 private:
  static LV2_URID mapUri(LV2_URID_Map_Handle handle, const char* uri);
  static const char* unmapUri(LV2_URID_Unmap_Handle handle, LV2_URID urid);
  std::deque<std::string> uris_;  // stays in place as it grows: unmap hands out its texts
  LV2_URID_Map map_{this, &Lv2Features::mapUri};
  LV2_URID_Unmap unmap_{this, &Lv2Features::unmapUri};
  LV2_Feature unmapFeature_{LV2_URID__unmap, &unmap_};
  std::int32_t blockLength_ = 0;
  std::vector<LV2_Options_Option> options_;
  LV2_Feature mapFeature_{LV2_URID__map, &map_};
  LV2_Feature optionsFeature_{LV2_OPTIONS__options, nullptr};
  std::vector<const LV2_Feature*> list_;
};

// One instance, cleaned up when it goes away (by `release` when another party, such as
// a host library, made it).
class Lv2Instance {
 public:
  Lv2Instance(const LV2_Descriptor* descriptor, LV2_Handle handle, std::function<void()> release = {});
  ~Lv2Instance();
  Lv2Instance(const Lv2Instance&) = delete;
  Lv2Instance& operator=(const Lv2Instance&) = delete;

  void connect(std::uint32_t port, void* data) { descriptor_->connect_port(handle_, port, data); }
  void activate() { descriptor_->activate(handle_); }
  void deactivate() { descriptor_->deactivate(handle_); }
  void run(std::uint32_t frames) { descriptor_->run(handle_, frames); }

 private:
  const LV2_Descriptor* descriptor_;
  LV2_Handle handle_;
  std::function<void()> release_;
};


}  // namespace hosting
