// Selection states, setup-type preselection, dependency propagation and the
// sizes the component pages show.
#include <algorithm>
#include <cstdio>

#include "core/setup_context.h"
#include "components/component.h"
#include "components/component_list.h"
#include "platform/platform.h"

namespace {

// Walks stay within the tree's depth limit; this guards them should a
// caller link components by hand.
constexpr int kWalkLimit = kMaxComponentDepth + 1;

int StateOf(const CComponent& c, int depth) {
  if (c.m_children.empty() || depth >= kWalkLimit) return (c.m_nFlags & CF_SELECTED) ? STATE_ALL : STATE_NONE;
  int state = 0;
  for (const CComponent* child : c.m_children) state |= StateOf(*child, depth + 1);
  return state;
}

void SelectTree(CComponent& c, int newState, int depth) {
  if (newState == STATE_NONE) {
    c.m_nFlags &= ~CF_SELECTED;
  } else {
    c.m_nFlags |= CF_SELECTED;
  }
  if (depth >= kWalkLimit) return;
  for (CComponent* child : c.m_children) SelectTree(*child, newState, depth + 1);
}

void SaveTree(CComponent& c, bool restore, int depth) {
  if (restore) {
    c.m_nFlags = c.m_nSavedFlags;
  } else {
    c.m_nSavedFlags = c.m_nFlags;
  }
  if (depth >= kWalkLimit) return;
  for (CComponent* child : c.m_children) SaveTree(*child, restore, depth + 1);
}

std::int32_t DisplaySizeOf(const CComponent& c, int depth) {
  if (c.m_children.empty() || depth >= kWalkLimit) {
    return (c.m_strParentName.empty() || StateOf(c, depth) == STATE_ALL) ? c.m_nSize : 0;
  }
  std::int32_t size = StateOf(c, depth) != STATE_NONE ? c.m_nSize : 0;
  for (const CComponent* child : c.m_children) size = AddSizes(size, DisplaySizeOf(*child, depth + 1));
  return size;
}

std::string Format(const char* format, double value) {
  char buffer[64];
  const int n = std::snprintf(buffer, sizeof buffer, format, value);
  return n < 0 ? std::string() : std::string(buffer, std::min<std::size_t>(static_cast<std::size_t>(n), sizeof buffer - 1));
}

}  // namespace

int CComponent::GetState() const { return StateOf(*this, 0); }

void CComponent::Select(int newState) { SelectTree(*this, newState, 0); }

void CComponent::ApplySetupType(std::uint32_t type) {
  std::uint32_t wanted = 0;
  if (type == SF_TYPE_FIRST) {
    wanted = CF_CORE;
  } else if (type == SF_TYPE_SECOND || type == SF_TYPE_CUSTOM) {
    wanted = CF_INSTALLED | CF_CORE | CF_ADVANCED;
  } else if (type == SF_CHANGE_COMPONENTS || type == SF_INSTALL_AGAIN) {
    wanted = CF_INSTALLED;
  }
  if (m_nFlags & wanted) {
    m_nFlags |= CF_SELECTED;
  } else {
    m_nFlags &= ~CF_SELECTED;
  }
}

int CComponent::CountSelectedChildren() const {
  int count = 0;
  for (const CComponent* child : m_children) count += child->GetState() != STATE_NONE ? 1 : 0;
  return count;
}

void CComponent::SaveSelection() { SaveTree(*this, false, 0); }

void CComponent::RestoreSelection() { SaveTree(*this, true, 0); }

void CComponent::SyncSelectedWithChildren() {
  if (GetState() == STATE_NONE) {
    m_nFlags &= ~CF_SELECTED;
  } else {
    m_nFlags |= CF_SELECTED;
  }
}

std::int32_t CComponent::GetDisplaySize() const { return DisplaySizeOf(*this, 0); }

void CComponentList::ApplySetupType(std::uint32_t type) {
  for (auto& c : m_components) c->ApplySetupType(type);
}

bool CComponentList::MarkAffected(std::uint32_t bits, int newState) {
  bool visible = false;
  for (auto& c : m_components) {
    c->m_bMarked = false;
    if (bits == 0) continue;
    const std::uint32_t match = newState == STATE_ALL ? c->m_dwTypeBits : c->m_dwDependencyBits;
    if ((bits & match) != 0 && c->GetState() != newState) {
      c->m_bMarked = true;
      if ((c->m_nFlags & CF_HIDDEN) == 0) visible = true;
    }
  }
  return visible;
}

void CComponentList::SelectMarked(int newState) {
  for (auto& c : m_components) {
    if (c->m_bMarked) c->Select(newState);
  }
}

std::int32_t CComponentList::GetRequiredSize() const {
  std::int32_t total = 0;
  for (const auto& c : m_components) {
    if (c->GetState() != STATE_NONE) total = AddSizes(total, c->m_nSize);
  }
  return total;
}

bool CComponentList::ClickRow(CComponent& component, IDependencyConfirmation& confirmation) {
  const int newState = component.GetState() == STATE_NONE ? STATE_ALL : STATE_NONE;
  const std::uint32_t bits = newState == STATE_ALL ? component.m_dwDependencyBits : component.m_dwTypeBits;
  if (MarkAffected(bits, newState)) {
    std::vector<std::string> affected;
    for (const auto& c : m_components) {
      if (c->m_bMarked) affected.push_back(c->m_strDescription);
    }
    if (confirmation.ConfirmDependency(component.m_strDescription, newState, affected) != 1) return false;
  }
  component.Select(newState);
  SelectMarked(newState);
  return true;
}

std::string FormatRequiredSize(std::int32_t bytes) { return Format("%.3f MB  ", bytes / 1024.0 / 1024.0); }

std::string FormatFreeSpace(std::uint32_t kilobytes) { return Format("%.3f MB  ", kilobytes / 1024.0); }

std::string FormatRowSize(std::int32_t bytes) { return Format("     %.1f MB  ", bytes / 1024.0 / 1024.0); }

std::uint32_t GetFreeKilobytes(const platform::Platform& platform, std::string_view path) {
  platform::DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
  std::string root(path.substr(0, 3));
  if (root.size() == 2 && root[1] == ':') root += '\\';  // a drive's root destination, "E:"
  if (!platform.Files().GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters,
                                           &totalClusters)) {
    sectorsPerCluster = bytesPerSector = freeClusters = 0;
  }
  // Sectors to kilobytes before the sector size, so the result is a multiple
  // of it; in 64 bits, so a drive with more than 4 GB free does not wrap.
  const std::uint64_t kilo = ((std::uint64_t{freeClusters} * sectorsPerCluster) >> 10) * bytesPerSector;
  return kilo > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(kilo);
}
