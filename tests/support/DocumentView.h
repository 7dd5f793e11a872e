#pragma once

// A new document in its page view, with recording services and a recording
// host, as a document window holds them.

#include <memory>

#include "tests/document/DocumentFixture.h"
#include "view/KavitroView.h"
#include "view/RecordingViewHost.h"

namespace kavitro::test {

struct DocumentView {
    TestServices env;
    std::unique_ptr<CKavitroDoc> doc = NewDocument(env.services);
    RecordingViewHost host;
    std::unique_ptr<CKavitroView> view = std::make_unique<CKavitroView>(*doc, host);

    // What the window does when it opens: the view becomes the active one
    // and learns the size of the page.
    void Open() {
        view->OnActivateView(true);
        view->UpdateScrollSizes();
    }
    // The document closed and a new one opened in a new view, with the same
    // services and host.
    void Renew() {
        view.reset();
        doc = NewDocument(env.services);
        view = std::make_unique<CKavitroView>(*doc, host);
        Open();
    }
};

}  // namespace kavitro::test
