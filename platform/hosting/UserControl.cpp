#include "hosting/UserControl.h"

#include "errors/EventDispatch.h"
#include "errors/RuntimeError.h"
#include "forms/Twips.h"

namespace hosting {

// The user control's own window: it tells the control when it is shown.
class UserControl::OwnWindow : public QWidget {
public:
    explicit OwnWindow(UserControl& owner) : m_owner(owner) { setFocusPolicy(Qt::NoFocus); }

protected:
    void showEvent(QShowEvent* event) override {
        QWidget::showEvent(event);
        errors::dispatch([this] { m_owner.UserControl_Show(); });
    }

private:
    UserControl& m_owner;
};

UserControl::UserControl(float designWidth, float designHeight)
    : m_window(new OwnWindow(*this)), m_width(designWidth), m_height(designHeight) {
    applySize();
}

UserControl::~UserControl() { delete m_window.data(); }

void UserControl::applySize() {
    if (m_window) m_window->resize(forms::twipsToPixels(m_width), forms::twipsToPixels(m_height));
    if (m_site) m_site->OnExtentChanged(m_width, m_height);
}

void UserControl::setWidth(float twips) {
    if (twips == m_width) return;
    m_width = twips;
    applySize();
    UserControl_Resize();
}

void UserControl::setHeight(float twips) {
    if (twips == m_height) return;
    m_height = twips;
    applySize();
    UserControl_Resize();
}

void UserControl::setEnabled(bool enabled) {
    m_enabled = enabled;
    if (!m_window) return;
    // A disabled constituent never sees the release that would end its
    // capture, and a capture nobody ends takes the pointer from every
    // window of the program.
    QWidget* grabber = QWidget::mouseGrabber();
    if (!enabled && grabber && m_window->isAncestorOf(grabber)) grabber->releaseMouse();
    m_window->setEnabled(enabled);
}

bool UserControl::AmbientUserMode() const {
    bool userMode = true;
    if (m_site) m_site->GetAmbientUserMode(&userMode);
    return userMode;
}

com::Variant UserControl::Extender(const QString& property) const {
    if (!m_site) errors::raiseError(errors::ClientSiteNotAvailable);
    com::Variant value;
    if (com::hr::failed(m_site->GetExtenderProperty(property, &value)))
        errors::raiseError(errors::ObjectDoesNotSupport,
                           QStringLiteral("窗体没有为控件提供属性 %1").arg(property));
    return value;
}

void UserControl::PropertyChanged(const QString& name) {
    if (m_site) m_site->OnPropertyChanged(name);
}

void UserControl::RaiseEvent(com::DispId id, std::span<com::Variant> args) {
    if (!m_events) return;
    com::ExcepInfo ignored;
    m_events->Invoke(id, com::InvokeKind::Method, args, nullptr, &ignored);
}

com::HResult UserControl::SetSite(IControlSite* site) {
    m_site = site;
    return com::hr::Ok;
}

com::HResult UserControl::Advise(com::IDispatch* events) {
    m_events = events;
    return com::hr::Ok;
}

com::HResult UserControl::InitNew() {
    return com::hr::statusOf([this] { UserControl_InitProperties(); });
}

com::HResult UserControl::Load(const PropertyBag& bag) {
    return com::hr::statusOf([&] { UserControl_ReadProperties(bag); });
}

com::HResult UserControl::Save(PropertyBag& bag) {
    return com::hr::statusOf([&] { UserControl_WriteProperties(bag); });
}

com::HResult UserControl::SetExtent(float width, float height) {
    return com::hr::statusOf([&] {
        m_width = width;
        m_height = height;
        applySize();
        UserControl_Resize();
    });
}

com::HResult UserControl::GetEvents(QList<EventDescription>* events) {
    if (!events) return com::hr::Pointer;
    *events = m_declaredEvents;
    return com::hr::Ok;
}

com::HResult UserControl::GetExtent(float* width, float* height) {
    if (!width || !height) return com::hr::Pointer;
    *width = m_width;
    *height = m_height;
    return com::hr::Ok;
}

}  // namespace hosting
