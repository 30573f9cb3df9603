#include "Project.h"

#include "NewHscrollbar.h"

namespace quillet {

namespace {
com::ServerLocks locks;

com::IUnknown* createNewHscrollbar() { return static_cast<hosting::IControl*>(new NewHscrollbar); }

// Control status bits 0x20191: recompose on resize, cannot link inside,
// inside-out, activate when visible, set client site first.
constexpr int32_t kMiscStatus = 131473;
constexpr int kToolboxBitmap = 30000;

const com::ClassEntry classes[] = {{
    .clsid = com::Guid::parse("{4BC2321F-C8F0-11D3-86B8-52544C9974A0}"),
    .className = "NewHscrollbar",
    .progId = "工程1.NewHscrollbar",
    .control = true,
    .miscStatus = kMiscStatus,
    .toolboxBitmap = kToolboxBitmap,
    .defaultInterface = _NewHscrollbar::iid,
    .eventInterface = kEventsIid,
    .create = createNewHscrollbar,
}};

const com::ProjectDescriptor descriptor{
    .typeLib =
        {
            .id = com::Guid::parse("{4BC231B8-C8F0-11D3-86B8-52544C9974A0}"),
            .major = 2,
            .minor = 0,
            .locale = 0,
            .flags = com::TypeLibFlags::Control,
            .name = "工程1",
            .helpString = "工程1",
        },
    .classes = classes,
    .locks = &locks,
};
}  // namespace

const com::ProjectDescriptor& project() { return descriptor; }
com::ServerLocks& serverLocks() { return locks; }

}  // namespace quillet
