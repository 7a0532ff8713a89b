// chooser_database_page.cpp - the database decision of the file chooser
// (see chooser_database_page.h).
#include "chooser_database_page.h"

#include "file_chooser.h"

namespace wm {

DatabaseOffer OfferDatabasePage(const ChooserRequest& request) {
  // Folder choosers never browse the database. Every other request gets
  // the plain chooser until the database client is part of the build:
  // the same answer as with TS_ENABLE_DME unset.
  (void)request;
  return DatabaseOffer::kPlainChooser;
}

}  // namespace wm
