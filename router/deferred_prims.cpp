// New board objects of an import, added in groups.
#include "router/deferred_prims.h"

namespace router {

std::unique_ptr<TPcbReplicatableTrack> CreateReplicatableTrack() {
  const sdk::Handle handle = sdk::PcbApi_CreateObject(pcbapi::kTrack);
  if (handle == 0) return nullptr;
  auto track = std::make_unique<TPcbReplicatableTrack>(handle);
  track->Sync(pcbapi::kRead);
  return track;
}

std::unique_ptr<TPcbReplicatableTrack> TPcbReplicatableTrack::Replicate() const {
  std::unique_ptr<TPcbReplicatableTrack> copy = CreateReplicatableTrack();
  if (!copy) return nullptr;
  copy->SetLayer(GetLayer());
  copy->SetNetHandle(GetNetHandle());
  copy->SetWidth(GetWidth());
  copy->SetX(GetX());
  copy->SetY(GetY());
  copy->SetX2(GetX2());
  copy->SetY2(GetY2());
  return copy;
}

void TDeferedPrimsRegistrar::Add(std::unique_ptr<sdk::TPCBObject> object) {
  // Owning the wrapper, the list cannot hold it twice.
  if (object) pending_.push_back(std::move(object));
}

int TDeferedPrimsRegistrar::Flush() {
  int refused = 0;
  for (const auto& object : pending_) {
    object->Sync(pcbapi::kWrite);
    if (board_.AddObject(object->GetHandle()) != pcbapi::kSuccess) {
      sdk::PcbApi_DestroyObject(object->GetHandle());
      ++refused;
    }
  }
  pending_.clear();
  return refused;
}

}  // namespace router
