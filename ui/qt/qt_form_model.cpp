#include "ui/qt/qt_form_model.h"

#include "text/gbk_texts.h"
#include "ui/qt/text_save_dialog.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMessageBox>

#include <limits>

namespace kw {

namespace {

// The most appended bytes the GUI thread shows in one turn of its loop for
// the workers; the rest waits for the next turn.
constexpr std::size_t AppendBatchBytes = 64 * 1024;
// The workers' changes are shown at most this often (a screen shows no
// more), so that the GUI thread does not lay out and paint a box for
// every single line a worker adds.
constexpr int ShowIntervalMs = 20;

} // namespace

QtFormModel::QtFormModel(GuiTaskQueue& queue) : queue_(queue)
{
    showChangesLater_.setSingleShot(true);
    QObject::connect(&showChangesLater_, &QTimer::timeout, [this] { showChanges(false); });
}

QtFormModel::~QtFormModel()
{
    shutdown();
    destroyAll();
}

QtFormModel::Loading* QtFormModel::find(WindowRef ref)
{
    const auto it = loadings_.find(ref.window);
    if (it == loadings_.end() || (ref.instance != 0 && ref.instance != it->second.instance))
        return nullptr;
    return &it->second;
}

DesignedWindow* QtFormModel::widget(Window window) const
{
    const auto it = loadings_.find(window);
    return it == loadings_.end() ? nullptr : it->second.widget.get();
}

std::optional<VersionedText> QtFormModel::readText(WindowRef window, Control control,
                                                   std::optional<std::uint64_t> known)
{
    ControlMirror::Reading reading = mirror_.read(window, control, known);
    if (reading.outcome != ControlMirror::Outcome::needsGuiThread)
        return std::move(reading.value);
    // The user has edited the control since it was last read: only the
    // widget knows its text.
    std::optional<VersionedText> value;
    if (known != 0u)
        value.emplace(); // what a dropped reading gives
    queue_.run([&] {
        refreshFromWidget(window, control);
        value = mirror_.read(window, control, known).value;
    });
    return value;
}

Text QtFormModel::readProperty(WindowRef window, Control control, TextProperty)
{
    std::optional<VersionedText> value = readText(window, control, std::nullopt);
    return value ? std::move(value->text) : Text();
}

std::optional<VersionedText> QtFormModel::readPropertyIfChanged(WindowRef window, Control control, TextProperty,
                                                                std::uint64_t knownVersion)
{
    return readText(window, control, knownVersion);
}

void QtFormModel::onLoadedWindow(WindowRef window, const std::function<void(Loading&)>& work)
{
    queue_.run([&] {
        showChanges(true);
        if (Loading* loading = find(window))
            work(*loading);
    });
}

bool QtFormModel::readProperty(WindowRef window, Control control, FlagProperty property)
{
    bool value = false;
    onLoadedWindow(window, [&](Loading& loading) {
        if (control == Control::Window) {
            value = property == FlagProperty::visible ? loading.visible : loading.disabled;
            return;
        }
        DesignedWindow& top = *loading.widget;
        if (const QWidget* widget = top.controlWidget(control))
            value = property == FlagProperty::visible ? widget->isVisibleTo(&top) : !widget->isEnabledTo(&top);
    });
    return value;
}

void QtFormModel::writeProperty(WindowRef window, Control control, TextProperty, std::string_view value)
{
    changed(mirror_.write(window, control, value));
}

void QtFormModel::changed(const ControlMirror::Change& change)
{
    if (change.outcome != ControlMirror::Outcome::done)
        return;
    if (queue_.onGuiThread())
        showChanges(true);
    else if (change.wakeGuiThread)
        queue_.post([this] { showWorkerChanges(); });
}

void QtFormModel::showWorkerChanges()
{
    if (showChangesLater_.isActive())
        return;
    const qint64 since = sinceChangesShown_.isValid() ? sinceChangesShown_.elapsed() : ShowIntervalMs;
    if (since < ShowIntervalMs) {
        showChangesLater_.start(static_cast<int>(ShowIntervalMs - since));
        return;
    }
    showChanges(false);
}

void QtFormModel::showChanges(bool everything)
{
    sinceChangesShown_.start();
    const ControlMirror::Taken taken =
        mirror_.takeChanges(everything ? std::numeric_limits<std::size_t>::max() : AppendBatchBytes);
    for (const WidgetChange& change : taken.changes) {
        Loading* loading = find({change.window, change.instance});
        if (!loading)
            continue;
        if (change.replacement)
            loading->widget->writeText(change.control, *change.replacement);
        if (!change.appended.empty())
            loading->widget->appendText(change.control, change.appended);
    }
    // The rest after the loop has turned, so that input and painting are
    // served in between.
    if (taken.more)
        queue_.post([this] { showChanges(false); });
}

void QtFormModel::refreshFromWidget(WindowRef window, Control control)
{
    showChanges(true);
    if (Loading* loading = find(window))
        mirror_.refresh(window, control, [&] { return loading->widget->readText(control); });
}

void QtFormModel::applyWindowFlags(Loading& loading, bool bringForward)
{
    DesignedWindow& top = *loading.widget;
    top.setEnabled(!loading.disabled);
    if (!loading.shown)
        return;
    if (!loading.visible) {
        top.hide();
        return;
    }
    top.show();
    if (bringForward) {
        top.raise();
        top.activateWindow();
    }
}

void QtFormModel::writeProperty(WindowRef window, Control control, FlagProperty property, bool value)
{
    onLoadedWindow(window, [&](Loading& loading) {
        if (control == Control::Window) {
            (property == FlagProperty::visible ? loading.visible : loading.disabled) = value;
            // Showing a window activates it; disabling it leaves it where it is.
            applyWindowFlags(loading, property == FlagProperty::visible && value);
            return;
        }
        if (QWidget* widget = loading.widget->controlWidget(control)) {
            if (property == FlagProperty::visible)
                widget->setVisible(value);
            else
                widget->setEnabled(!value);
        }
    });
}

void QtFormModel::appendText(WindowRef window, Control editBox, std::string_view text)
{
    const ControlMirror::Change change = mirror_.append(window, editBox, text);
    if (change.outcome != ControlMirror::Outcome::needsGuiThread) {
        changed(change);
        return;
    }
    // The user has edited the box: its text has to come from the widget
    // before anything can be added to it.
    queue_.run([&] {
        refreshFromWidget(window, editBox);
        changed(mirror_.append(window, editBox, text));
    });
}

std::uint64_t QtFormModel::loadedInstance(Window window)
{
    return mirror_.loadedInstance(window);
}

bool QtFormModel::loadWindow(Window window, bool modal)
{
    bool loaded = false;
    queue_.run([&] { loaded = loadOnGuiThread(window, modal); });
    return loaded;
}

bool QtFormModel::loadOnGuiThread(Window window, bool modal)
{
    if (Loading* loading = find(window)) {
        if (loading->shown && loading->visible) {
            loading->widget->raise();
            loading->widget->activateWindow();
        }
        return true;
    }

    // A window needs a screen to be created on.
    if (!QGuiApplication::primaryScreen())
        return false;
    const std::uint64_t instance = nextInstance_++;
    DesignedWindow::Reports reports{
        [this, window, instance](Control button) {
            if (find({window, instance}) && events_)
                events_->buttonClick(window, button);
        },
        [this, window, instance](MenuItem item) {
            if (find({window, instance}) && events_)
                events_->menuCommand(item);
        },
        [this, window, instance] {
            destroyNow({window, instance});
        },
        // The user acts on what every change before has made of the box.
        [this] { showChanges(true); },
        [this, window, instance](Control control) {
            mirror_.userEdited({window, instance}, control);
        },
    };
    showChanges(true);
    Loading& created = loadings_[window];
    created.widget.reset(new DesignedWindow(window, std::move(reports)));
    created.instance = instance;
    mirror_.windowLoaded(window, instance, [&created](Control control) { return created.widget->readText(control); });

    if (events_)
        events_->formCreated(window, instance);
    Loading* loading = find({window, instance});
    if (!loading)
        return true; // the handler destroyed it

    loading->shown = true;
    applyWindowFlags(*loading, true);
    if (!modal)
        return true;

    for (auto& [other, otherLoading] : loadings_) {
        if (other == window)
            continue;
        loading->disabledOnLoad.push_back({other, otherLoading.instance, otherLoading.disabled});
        otherLoading.disabled = true;
        applyWindowFlags(otherLoading, false);
    }
    QEventLoop loop;
    loading->modalLoop = &loop;
    loop.exec();
    // Still loaded here only when the program is ending.
    if (Loading* still = find({window, instance}))
        still->modalLoop = nullptr;
    return true;
}

void QtFormModel::destroyWindow(Window window)
{
    const std::uint64_t instance = loadedInstance(window);
    if (instance != 0)
        queue_.post([this, window, instance] { destroyNow({window, instance}); });
}

void QtFormModel::destroyNow(WindowRef ref)
{
    Loading* found = find(ref);
    if (!found)
        return;
    Loading gone = std::move(*found);
    loadings_.erase(ref.window);
    mirror_.windowGone(ref.window);

    for (const Remembered& remembered : gone.disabledOnLoad) {
        if (Loading* other = find({remembered.window, remembered.instance})) {
            other->disabled = remembered.disabled;
            applyWindowFlags(*other, false);
        }
    }
    gone.widget->stopReporting();
    gone.widget->hide();
    if (gone.modalLoop)
        gone.modalLoop->quit();
    gone.widget.reset(); // deleted once the event in hand is done with it
    if (events_)
        events_->formDestroyed(ref.window);
    if (loadings_.empty() && lastWindowGone_)
        lastWindowGone_();
}

bool QtFormModel::showFileDialog(WindowRef window, Control dialog)
{
    bool confirmed = false;
    onLoadedWindow(window, [&](Loading& loading) {
        const ControlDesign* design = controlDesign(window.window, dialog);
        if (!design || design->kind != ControlKind::CommonDlg)
            return;
        const std::uint64_t instance = loading.instance;
        const QString proposed = gbkToDisplay(loading.widget->readText(dialog), LineBreaks::single);
        TextSaveDialog chooser(loading.widget.get(), qtNameFilters(gbk::ExportFilter), proposed);
        fileDialogSeam_.arm(chooser);
        const bool accepted = chooser.exec() == QDialog::Accepted && !chooser.selectedFiles().isEmpty();
        // The window may have gone while the dialog was open.
        Loading* still = find({window.window, instance});
        if (!accepted || !still)
            return;
        changed(mirror_.write({window.window, instance}, dialog,
                              displayToGbk(chooser.selectedFiles().first(), LineBreaks::single)));
        confirmed = true;
    });
    return confirmed;
}

void QtFormModel::showMessage(WindowRef owner, std::string_view caption, std::string_view text)
{
    queue_.run([&] {
        showChanges(true);
        Loading* loading = find(owner);
        QMessageBox box(QMessageBox::Warning, gbkToDisplay(caption, LineBreaks::single),
                        gbkToDisplay(text, LineBreaks::multi), QMessageBox::Ok,
                        loading ? loading->widget.get() : nullptr);
        box.setTextFormat(Qt::PlainText);
        box.setWindowModality(loading ? Qt::WindowModal : Qt::ApplicationModal);
        messageSeam_.arm(box);
        box.exec();
    });
}

void QtFormModel::shutdown()
{
    mirror_.shutdown();
    queue_.shutdown();
}

void QtFormModel::destroyAll()
{
    for (auto& [window, loading] : loadings_) {
        mirror_.windowGone(window);
        loading.widget->stopReporting();
        if (loading.modalLoop)
            loading.modalLoop->quit();
        // No event of the window is in hand any more: delete it now.
        std::unique_ptr<DesignedWindow>(loading.widget.release()).reset();
    }
    loadings_.clear();
}

} // namespace kw
