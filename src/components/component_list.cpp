#include "components/component_list.h"

#include <algorithm>
#include <array>

#include "script/script_line.h"
#include "script/setup_script.h"

void CComponentList::RemoveAt(int index) {
  if (index < 0 || index >= GetCount()) return;
  CComponent* removed = m_components[static_cast<std::size_t>(index)].get();
  // Nothing may keep pointing at it.
  for (auto& c : m_components) std::erase(c->m_children, removed);
  for (CComponent* child : removed->m_children) child->m_pParent = nullptr;
  m_components.erase(m_components.begin() + index);
}

void CComponentList::RemoveAll() { m_components.clear(); }

CComponent& CComponentList::Append(std::string name) {
  m_components.push_back(std::make_unique<CComponent>(m_script, std::move(name)));
  return *m_components.back();
}

CComponent* CComponentList::Find(std::string_view name) {
  for (auto& c : m_components) {
    if (m_script.EqualNoCase(c->m_strName, name)) return c.get();
  }
  return nullptr;
}

bool CComponentList::Build(IHardwareDetection* detection) {
  RemoveAll();
  m_bDetectionPassedOver = false;

  if (!Append(std::string(kSetupComponent)).Load(kSetupComponent)) return false;

  const std::string setupCopy = m_script.GetField(m_script.GetDestinationDirs().FindKey("Setup.Copy"), 1);
  m_script.GetContext().SetSetupPath("%s\\" + setupCopy);

  const CScriptSection manufacturer = m_script.ReadSection("Manufacturer");
  if (manufacturer.GetCount() > 0) {
    if (detection == nullptr) {
      m_bDetectionPassedOver = true;
    } else if (!detection->Detect(*this)) {
      return false;
    }
  }

  const CScriptSection optional = m_script.ReadSection("Optional Components");
  for (const std::string& line : optional.GetLines()) {
    const std::string name = m_script.RestoreMarkers(line);
    if (name.empty()) break;
    if (!Append(name).Load(name)) return false;
  }

  PruneDependencies();
  for (auto& c : m_components) c->LinkToParent(*this);
  return true;
}

void CComponentList::PruneDependencies() {
  // Each component is tested against the list as it stands at its turn:
  // how many components give each type bit, less the one tested, less the
  // ones removed before it.
  std::array<long, 32> givers{};
  const auto count = [&](std::uint32_t bits, long step) {
    for (std::size_t bit = 0; bit < givers.size(); ++bit) {
      if (((bits >> bit) & 1u) != 0) givers[bit] += step;
    }
  };
  for (const auto& c : m_components) count(c->m_dwTypeBits, 1);
  for (std::size_t i = 0; i < m_components.size();) {
    const std::uint32_t own = m_components[i]->m_dwTypeBits;
    std::uint32_t missing = 0;
    for (std::size_t bit = 0; bit < givers.size(); ++bit) {
      const std::uint32_t mask = 1u << bit;
      if ((m_components[i]->m_dwDependencyBits & mask) != 0 && givers[bit] == ((own & mask) != 0 ? 1 : 0)) {
        missing |= mask;
      }
    }
    if (missing != 0) {
      count(own, -1);
      RemoveAt(static_cast<int>(i));
    } else {
      ++i;
    }
  }
}

void CComponentList::QueueDeletes(StepPhase phase, std::vector<CFileRecord>& queue) const {
  for (const auto& c : m_components) c->QueueDeletes(phase, queue);
}

void CComponentList::QueueRenames(std::vector<CFileRecord>& queue) const {
  for (const auto& c : m_components) c->QueueRenames(queue);
}

void CComponentList::QueueCopies(std::vector<CFileRecord>& queue) const {
  // Room for every copy at once: a large queue never holds twice its size.
  std::size_t copies = queue.size();
  for (const auto& c : m_components) copies += c->CopyCount();
  queue.reserve(copies);
  for (const auto& c : m_components) c->QueueCopies(queue);
}

void CComponentList::RunRegistry(IComponentExecutors& executors) const {
  for (const auto& c : m_components) {
    executors.BeginComponent(*c);
    c->RunRegistry(executors);
    executors.Step();
  }
}

void CComponentList::RunIniUpdates(IComponentExecutors& executors) const {
  for (const auto& c : m_components) {
    executors.BeginComponent(*c);
    c->RunIniUpdates(executors);
    executors.Step();
  }
}

void CComponentList::RunProgramGroups(IComponentExecutors& executors) const {
  for (const auto& c : m_components) {
    executors.BeginComponent(*c);
    c->RunProgramGroups(executors);
    executors.Step();
  }
}

CStepResult CComponentList::RunExecute(StepPhase phase, IComponentExecutors& executors) const {
  for (const auto& c : m_components) {
    executors.BeginComponent(*c);
    if (const CStepResult result = c->RunExecute(phase, executors); result.Stops()) return result;
    executors.Step();
  }
  return CStepResult::GoOn();
}

CStepResult CComponentList::RunDisplayDriver(IComponentExecutors& executors) const {
  for (const auto& c : m_components) {
    executors.BeginComponent(*c);
    if (const CStepResult result = c->RunDisplayDriver(executors); result.Stops()) return result;
    executors.Step();
  }
  return CStepResult::GoOn();
}

bool CComponentList::ConfirmLicenses(IComponentExecutors& executors) const {
  for (const auto& c : m_components) {
    executors.BeginComponent(*c);
    if (c->ConfirmLicense(executors) == LicenseAnswer::Declined) return false;
  }
  return true;
}
