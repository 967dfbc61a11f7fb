// The string table's texts with the kinds of their inserts: a call with an insert of the
// wrong kind does not compile.
#pragma once

#include "resource.h"
#include "util/Messages.h"

namespace qeb::msg {

// Printed as stored.
inline constexpr PlainText kNoCommand{IDS_NO_COMMAND};
inline constexpr PlainText kUsageGeneral{IDS_USAGE_GENERAL};
inline constexpr PlainText kUsageQeb{IDS_USAGE_QEB};
inline constexpr PlainText kUsageMsinfo{IDS_USAGE_MSINFO};
inline constexpr PlainText kUsageEvent{IDS_USAGE_EVENT};
inline constexpr PlainText kUsageSysinfo{IDS_USAGE_SYSINFO};
inline constexpr PlainText kAlreadyRunning{IDS_ALREADY_RUNNING};
inline constexpr PlainText kUsagePack{IDS_USAGE_PACK};
inline constexpr PlainText kUsageCollect{IDS_USAGE_COLLECT};
inline constexpr NumberedMessage<SignedInsert, SignedInsert, TextInsert> kCollectStepStarted{
    IDS_COLLECT_STEP_STARTED};
inline constexpr NumberedMessage<SignedInsert, SignedInsert, TextInsert, TextInsert>
    kCollectStepEnded{IDS_COLLECT_STEP_ENDED};
inline constexpr NumberedMessage<TextInsert> kCollectFolder{IDS_COLLECT_FOLDER};
inline constexpr NumberedMessage<TextInsert, TextInsert, SignedInsert, TextInsert, TextInsert>
    kSummaryHead{IDS_SUMMARY_HEAD};
inline constexpr NumberedMessage<SignedInsert, SignedInsert, TextInsert, TextInsert, TextInsert,
                                 SignedInsert, TextInsert, SignedInsert>
    kSummaryStep{IDS_SUMMARY_STEP};
inline constexpr NumberedMessage<TextInsert, SignedInsert> kSummaryFailed{IDS_SUMMARY_FAILED};
inline constexpr NumberedMessage<TextInsert, TextInsert> kSummaryWarned{IDS_SUMMARY_WARNED};
inline constexpr NumberedMessage<TextInsert> kSummaryAllOk{IDS_SUMMARY_ALL_OK};
inline constexpr PlainText kPasswordPrompt{IDS_PASSWORD_PROMPT};
inline constexpr PlainText kPasswordConfirm{IDS_PASSWORD_CONFIRM};
inline constexpr PlainText kPasswordMismatch{IDS_PASSWORD_MISMATCH};
inline constexpr PlainText kPasswordTooShort{IDS_PASSWORD_TOO_SHORT};
inline constexpr PlainText kPasswordRefused{IDS_PASSWORD_REFUSED};
inline constexpr PlainText kPasswordMissing{IDS_PASSWORD_MISSING};
inline constexpr PlainText kPasswordUndecodable{IDS_PASSWORD_UNDECODABLE};
inline constexpr PlainText kMaskMapFull{IDS_MASK_MAP_FULL};
// The texts of not-included.txt and masking.txt.
inline constexpr PlainText kNotIncludedHeading{IDS_NOT_INCLUDED_HEADING};
inline constexpr PlainText kNotIncludedColumns{IDS_NOT_INCLUDED_COLUMNS};
inline constexpr PlainText kLeftOutUnreadable{IDS_LEFT_OUT_UNREADABLE};
inline constexpr PlainText kLeftOutLink{IDS_LEFT_OUT_LINK};
inline constexpr PlainText kLeftOutNotListed{IDS_LEFT_OUT_NOT_LISTED};
inline constexpr PlainText kLeftOutNameNotStorable{IDS_LEFT_OUT_NAME_NOT_STORABLE};
inline constexpr PlainText kLeftOutReservedName{IDS_LEFT_OUT_RESERVED_NAME};
inline constexpr PlainText kLeftOutNotText{IDS_LEFT_OUT_NOT_TEXT};
inline constexpr PlainText kLeftOutMaskCheck{IDS_LEFT_OUT_MASK_CHECK};
inline constexpr PlainText kMaskingHeading{IDS_MASKING_HEADING};
inline constexpr PlainText kMaskingRules{IDS_MASKING_RULES};
inline constexpr PlainText kMaskingColumns{IDS_MASKING_COLUMNS};
inline constexpr PlainText kMaskingCheck{IDS_MASKING_CHECK};
inline constexpr PlainText kMaskingCheckHits{IDS_MASKING_CHECK_HITS};
inline constexpr PlainText kMaskingNotText{IDS_MASKING_NOT_TEXT};
inline constexpr PlainText kMaskingKeptBinary{IDS_MASKING_KEPT_BINARY};

// Numbered inserts.
inline constexpr NumberedMessage<TextInsert> kParameterMissing{IDS_PARAMETER_MISSING};
inline constexpr NumberedMessage<TextInsert> kDirectoryCreateFailed{IDS_DIRECTORY_CREATE_FAILED};
inline constexpr NumberedMessage<TextInsert> kModuleNotFound{IDS_MODULE_NOT_FOUND};
inline constexpr NumberedMessage<SignedInsert> kProductNotInstalled{IDS_PRODUCT_NOT_INSTALLED};
inline constexpr NumberedMessage<TextInsert> kPathNotFound{IDS_PATH_NOT_FOUND};
inline constexpr NumberedMessage<TextInsert> kCopyFailed{IDS_COPY_FAILED};
inline constexpr NumberedMessage<TextInsert, TextInsert> kFileCopyFailed{IDS_FILE_COPY_FAILED};
inline constexpr NumberedMessage<TextInsert, HexInsert> kCommandFailed{IDS_COMMAND_FAILED};
inline constexpr NumberedMessage<TextInsert> kInstanceMissing{IDS_INSTANCE_MISSING};
inline constexpr NumberedMessage<TextInsert> kPathTooLong{IDS_PATH_TOO_LONG};
inline constexpr NumberedMessage<TextInsert> kParameterInvalid{IDS_PARAMETER_INVALID};
inline constexpr NumberedMessage<TextInsert, TextInsert> kFileSaveFailed{IDS_FILE_SAVE_FAILED};
inline constexpr NumberedMessage<TextInsert, TextInsert> kFileCreateFailed{IDS_FILE_CREATE_FAILED};

inline constexpr NumberedMessage<TextInsert> kPackNeedsFolder{IDS_PACK_NEEDS_FOLDER};
inline constexpr NumberedMessage<TextInsert, TextInsert> kArchiveLeftOut{IDS_ARCHIVE_LEFT_OUT};
inline constexpr NumberedMessage<TextInsert> kArchiveLinkLeftOut{IDS_ARCHIVE_LINK_LEFT_OUT};
inline constexpr NumberedMessage<TextInsert, TextInsert> kArchiveFailed{IDS_ARCHIVE_FAILED};
inline constexpr NumberedMessage<TextInsert, TextInsert> kArchiveWritten{IDS_ARCHIVE_WRITTEN};
inline constexpr NumberedMessage<TextInsert, TextInsert> kLogFailed{IDS_LOG_FAILED};
inline constexpr NumberedMessage<TextInsert> kToolWroteNothing{IDS_TOOL_WROTE_NOTHING};
inline constexpr NumberedMessage<TextInsert, TextInsert> kMaskMapUnreadable{
    IDS_MASK_MAP_UNREADABLE};
inline constexpr NumberedMessage<TextInsert, SignedInsert> kMaskMapBadLine{IDS_MASK_MAP_BAD_LINE};
inline constexpr NumberedMessage<TextInsert> kMaskMapWritten{IDS_MASK_MAP_WRITTEN};
inline constexpr NumberedMessage<TextInsert, TextInsert> kFolderNotListed{IDS_FOLDER_NOT_LISTED};
inline constexpr NumberedMessage<TextInsert, TextInsert> kCopyStoppedVolumeFull{
    IDS_COPY_STOPPED_VOLUME_FULL};
inline constexpr NumberedMessage<TextInsert, TextInsert> kOwnerRefused{IDS_OWNER_REFUSED};
inline constexpr NumberedMessage<TextInsert, TextInsert> kMaskWordsUnreadable{
    IDS_MASK_WORDS_UNREADABLE};
inline constexpr NumberedMessage<TextInsert, SignedInsert> kMaskWordsBadLine{
    IDS_MASK_WORDS_BAD_LINE};
inline constexpr NumberedMessage<TextInsert> kMaskNotText{IDS_MASK_NOT_TEXT};
inline constexpr NumberedMessage<TextInsert> kMaskKeptBinary{IDS_MASK_KEPT_BINARY};
inline constexpr NumberedMessage<TextInsert> kMaskCheckFound{IDS_MASK_CHECK_FOUND};

// The progress line.
inline constexpr NumberedMessage<SignedInsert, TextInsert> kProgressCopy{IDS_PROGRESS_COPY};
inline constexpr NumberedMessage<SignedInsert> kProgressInventory{IDS_PROGRESS_INVENTORY};
inline constexpr NumberedMessage<TextInsert, SignedInsert> kProgressTool{IDS_PROGRESS_TOOL};
inline constexpr NumberedMessage<SignedInsert, SignedInsert> kProgressPack{IDS_PROGRESS_PACK};
inline constexpr NumberedMessage<SignedInsert, SignedInsert, SignedInsert, SignedInsert>
    kProgressPackProtected{IDS_PROGRESS_PACK_PROTECTED};

// printf-style inserts.
inline constexpr PrintfMessage<TextInsert> kDirectoryNotFound{IDS_DIRECTORY_NOT_FOUND};
inline constexpr PrintfMessage<TextInsert> kRegexInvalid{IDS_REGEX_INVALID};
inline constexpr PrintfMessage<TextInsert, SignedInsert> kFileSearchFailed{IDS_FILE_SEARCH_FAILED};
inline constexpr PrintfMessage<TextInsert, SignedInsert> kSettingsFileMissing{
    IDS_SETTINGS_FILE_MISSING};
// The details of a settings error; see FormatSettingsError.
inline constexpr PrintfMessage<TextInsert> kValueInvalid{IDS_VALUE_INVALID};
inline constexpr PrintfMessage<> kValueReadFailed{IDS_VALUE_READ_FAILED};
inline constexpr PrintfMessage<> kValueEmpty{IDS_VALUE_EMPTY};

}  // namespace qeb::msg
