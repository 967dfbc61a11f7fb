// COLLECT: the product's trees, the msinfo32 and systeminfo reports and the event logs into
// one folder, side by side, each step with a log of its own and a record in collection.json,
// then the folder packed as PACK packs it.
#pragma once

#include <string>
#include <vector>

#include "collect/CollectionRecord.h"
#include "commands/CommandBase.h"
#include "util/StepScheduler.h"

namespace qeb {

// A step not ok: the collection and its archive are there but incomplete.
constexpr ResultCode kCollectionIncomplete = 0x8007012B;  // ERROR_PARTIAL_COPY
// Ctrl+C ended the collection: its children are ended, the folder stays, nothing is packed.
constexpr ResultCode kCollectionInterrupted = 0x800704C7;  // ERROR_CANCELLED
// The copy stopped to keep the volume's free room, or met a full volume.
constexpr ResultCode kVolumeFull = 0x80070070;  // ERROR_DISK_FULL

class CCollectCommand : public CCommandBase {
public:
    CCollectCommand(int argc, const wchar_t* const* argv);

    ResultCode Execute() override;
    ResultCode Usage() override;

private:
    ResultCode Run();
    std::vector<Step> BuildSteps(const std::wstring& folder);
    std::vector<std::wstring> QebArguments(const std::wstring& folder) const;
    std::wstring SummaryText(CollectionRecord& record, const std::wstring& folder,
                             const std::wstring& startText) const;

    int m_nDays = 30;
    int m_bEvtx = 1;
    int m_nLimitSeconds = 900;
    int m_nMinFreeMiB = -1;
    int m_bNoZip = 0;
    int m_bEncrypt = 0;
    int m_bMask = 0;
    std::wstring m_strMaskMap;
    std::wstring m_strMaskWords;
    std::vector<std::wstring> m_vecMaskDomains;
};

}  // namespace qeb
