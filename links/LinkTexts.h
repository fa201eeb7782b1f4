// The links module's own captions and messages in English, Slovak and Czech, as data.
#pragma once

#include "links/LinkDrops.h"

#include <string>

namespace kvz {

enum class LinksTextId {
    WindowCaption, ListPage, SurveyPage, EditLink, DeleteLink, AddToTask, RunLink, EditFileType, DeleteFileType,
    NewFileType, CannotOpen, NewLinkCaption, CaptureCaption, FileZoneHint, AddressZoneHint, DropRefused,
    FileTypeFilter, Count
};

// The text in the program's language.
std::string LinksText(LinksTextId id);
// Why a drop was refused, in the program's language.
std::string DropRefusalText(DropRefusal refusal);

} // namespace kvz
