// QEB: collects a product version's configuration, data root and instances
// into a collection root below -dest:, then writes the inventory of its files.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "collect/TreeCopy.h"
#include "commands/CommandBase.h"

namespace qeb {

class CQebCommand : public CCommandBase {
public:
    using CCommandBase::CCommandBase;

    ResultCode Execute() override;
    ResultCode Usage() override;

    // Asked before each file is copied; see TreeCopyHooks::checkRoom.
    void SetRoomCheck(std::function<unsigned long(std::uint64_t size)> checkRoom) {
        m_checkRoom = std::move(checkRoom);
    }

private:
    ResultCode Run();
    ResultCode CheckOptions() const;
    ResultCode CopyProductTrees(const std::wstring& productDirectory, const std::wstring& dataRoot,
                                const std::wstring& collectionRoot, const FilterList& included,
                                const FilterList& ignored) const;
    void WarnAboutMissingInstances(const std::wstring& productDirectory,
                                   const std::wstring& collectionRoot) const;

    std::function<unsigned long(std::uint64_t size)> m_checkRoom;
};

}  // namespace qeb
