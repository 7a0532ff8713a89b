// chooser_database_page.h - where the file chooser's "DMS Database" page
// plugs in.
//
// The page needs the image database client, which this build does not
// have yet. Until it does, a chooser asked for the database behaves as
// with the database switched off (TS_ENABLE_DME unset): it is the plain
// chooser. The client's arrival changes only OfferDatabasePage (lock test,
// attaching to the connector) and adds the page's builder after the
// "Files" page in BuildChooserWindow.
#pragma once

namespace wm {

struct ChooserRequest;

// What the chooser does about the database for one request.
enum class DatabaseOffer {
  kPlainChooser,  // build the chooser without the database page
  kBusy,          // another program holds the database: warn, return 0
  kWithPage       // build the chooser with the database page
};

DatabaseOffer OfferDatabasePage(const ChooserRequest& request);

}  // namespace wm
