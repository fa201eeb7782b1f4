// The pictures of the frame window's tool bars and module buttons, drawn by the program.
#pragma once

#include "platform/forms/Graphics.h"

namespace kvz {

// Pictures of the record, report, tasks and links and user bars, 16 by 16, by the index each
// button names (Insert 4, Insert while a record is new 19).
enum FrameImage : int {
    imgFirst, imgPrior, imgNext, imgLast, imgInsert, imgPost, imgEdit, imgCancel, imgDelete, imgFind, imgFilter,
    imgOrder, imgCategory, imgRefresh, imgImport, imgExport, imgSaveAs, imgOpen, imgPreview, imgInserting,
    imgFont, imgPrint, imgTemplateOpen, imgTemplateSave, imgDetail, imgManager, imgOwners, imgMaximise,
    imgRestore, imgPay, imgCapture, imgAddToTask, imgRunLink, imgUser, imgKey, imgMail, imgWeb, imgPhone,
    imgScreenSaver, imgSetup, imgHelp, imgInfo, imgQuit, kFrameImageCount
};
void FillToolImages(TImageList& images);

// Pictures of the module buttons: address, reports, links, tasks, print wizard, back.
enum ModuleImage : int { imgAddressModule, imgReportsModule, imgLinksModule, imgTasksModule, imgWizard, imgBack };
void FillModuleImages(TImageList& images);

} // namespace kvz
