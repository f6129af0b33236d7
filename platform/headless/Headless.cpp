#include "platform/headless/Headless.h"

#include <algorithm>
#include <sstream>

#include "window/ControlTable.h"

namespace headless {

using platform::ControlId;
using platform::ControlKind;
using platform::ControlSpec;

namespace {

std::string number(float value) {
    std::ostringstream out;
    out << value;
    return out.str();
}

std::string nameOf(const ControlSpec& row) { return std::string(row.name); }

class HLabel : public platform::Label {
public:
    HLabel(const ControlSpec& row, Headless& host) : Label(row), host_(host) {}
    void refresh() override { host_.record(nameOf(row()) + " refresh"); }

protected:
    void moved() override {}
    void captionChanged() override { host_.record(nameOf(row()) + "=" + caption()); }

private:
    Headless& host_;
};

class HButton : public platform::Button {
public:
    HButton(const ControlSpec& row, Headless& host) : Button(row), host_(host) {}
    void refresh() override { host_.record(nameOf(row()) + " refresh"); }

protected:
    void moved() override {}

private:
    Headless& host_;
};

class HCheckBox : public platform::CheckBox {
public:
    HCheckBox(const ControlSpec& row, Headless& host) : CheckBox(row), host_(host) {}
    void refresh() override { host_.record(nameOf(row()) + " refresh"); }

protected:
    void moved() override {}
    void valueChanged() override { host_.record(nameOf(row()) + " value=" + std::to_string(value())); }

private:
    Headless& host_;
};

class HTextBox : public platform::TextBox {
public:
    HTextBox(const ControlSpec& row, Headless& host) : TextBox(row), host_(host) {}
    void refresh() override { host_.record(nameOf(row()) + " refresh"); }
    void userTypes(std::string text) { editedByUser(std::move(text)); }

protected:
    void moved() override {}
    void textChanged() override { host_.record(nameOf(row()) + " text=" + text()); }

private:
    Headless& host_;
};

class HProgressBar : public platform::ProgressBar {
public:
    HProgressBar(const ControlSpec& row, Headless& host) : ProgressBar(row), host_(host) {}
    void refresh() override { host_.record(nameOf(row()) + " refresh"); }

protected:
    void moved() override {}
    void rangeChanged() override {
        host_.record(nameOf(row()) + " max=" + number(max()) + " value=" + number(value()));
    }

private:
    Headless& host_;
};

class HStatic : public platform::StaticControl {
public:
    HStatic(const ControlSpec& row, Headless& host) : StaticControl(row), host_(host) {}
    void refresh() override { host_.record(nameOf(row()) + " refresh"); }

protected:
    void moved() override {}

private:
    Headless& host_;
};

class HTimer : public platform::Timer {
public:
    HTimer(const ControlSpec& row, Headless& host) : Timer(row), host_(host) {
        if (enabled()) dueAt_ = host_.now() + static_cast<std::uint64_t>(interval());
        host_.registerTimer(this, &dueAt_);
    }

protected:
    void enabledChanged() override {
        if (enabled()) dueAt_ = host_.now() + static_cast<std::uint64_t>(interval());
        host_.record(nameOf(row()) + (enabled() ? " on" : " off"));
    }

private:
    Headless& host_;
    std::uint64_t dueAt_ = 0;
};

bool canTakeFocus(ControlKind kind) {
    return kind == ControlKind::Button || kind == ControlKind::CheckBox || kind == ControlKind::TextBox ||
           kind == ControlKind::TabStrip;
}

}  // namespace

// --- HeadlessForm -------------------------------------------------------------

HeadlessForm::HeadlessForm(Headless& host) : host_(host) {
    for (const ControlSpec& row : pellmora::controlTable()) {
        std::unique_ptr<platform::Control> control;
        switch (row.kind) {
        case ControlKind::Timer: {
            auto timer = std::make_unique<HTimer>(row, host);
            timers_[index(row.id)] = timer.get();
            ownedTimers_.push_back(std::move(timer));
            continue;
        }
        case ControlKind::Button: control = std::make_unique<HButton>(row, host); break;
        case ControlKind::CheckBox: control = std::make_unique<HCheckBox>(row, host); break;
        case ControlKind::TextBox: control = std::make_unique<HTextBox>(row, host); break;
        case ControlKind::Label: control = std::make_unique<HLabel>(row, host); break;
        case ControlKind::ProgressBar: control = std::make_unique<HProgressBar>(row, host); break;
        case ControlKind::Frame:
        case ControlKind::Panel:
        case ControlKind::TabStrip: control = std::make_unique<HStatic>(row, host); break;
        }
        controls_[index(row.id)] = control.get();
        ownedControls_.push_back(std::move(control));
    }
}

HeadlessForm::~HeadlessForm() = default;

void HeadlessForm::show() {
    visible_ = true;
    host_.record("form show");
}

void HeadlessForm::refresh() { host_.record("form refresh"); }

void HeadlessForm::move(float left, float top) {
    left_ = left;
    top_ = top;
}

float HeadlessForm::outerWidth() const { return pellmora::kFormSpec.clientWidth + frameWidth; }
float HeadlessForm::outerHeight() const { return pellmora::kFormSpec.clientHeight + frameHeight; }

void HeadlessForm::unloadAndEnd() {
    visible_ = false;
    host_.end();
    throw ProgramEnded{};
}

// --- Headless -----------------------------------------------------------------

Headless::Headless() {
    files_.afterCall = [this] { now_ += msPerFileCall; };
    form_ = std::make_unique<HeadlessForm>(*this);
}

Headless::~Headless() = default;

void Headless::registerTimer(platform::Timer* timer, std::uint64_t* dueAt) { timers_.push_back({timer, dueAt}); }

void Headless::end() {
    ended_ = true;
    queue_.clear();
    record("end");
}

// Only the outermost dispatch stops at the end of the program; nested ones
// (inside doEvents or a message box) pass it on, as the real end would
// leave every frame at once.
template <class F>
void Headless::dispatch(F&& body) {
    if (ended_) return;
    ++depth_;
    try {
        body();
    } catch (const ProgramEnded&) {
        if (depth_ > 1) {
            --depth_;
            throw;
        }
    }
    --depth_;
}

void Headless::load(const std::function<void()>& handler) {
    dispatch(handler);
    if (!ended_ && !form_->visible()) form_->show();
}

void Headless::dispatchPending() {
    while (!queue_.empty() && !ended_) {
        auto event = std::move(queue_.front());
        queue_.pop_front();
        event();
    }
    std::vector<TimerSlot> due;
    for (const TimerSlot& slot : timers_)
        if (slot.timer->enabled() && *slot.dueAt <= now_) due.push_back(slot);
    std::stable_sort(due.begin(), due.end(), [](const TimerSlot& a, const TimerSlot& b) { return *a.dueAt < *b.dueAt; });
    for (const TimerSlot& slot : due) {
        if (ended_) return;
        if (!slot.timer->enabled() || *slot.dueAt > now_) continue;
        // Once, however late: missed ticks are not made up.
        *slot.dueAt = now_ + static_cast<std::uint64_t>(slot.timer->interval());
        slot.timer->tick();
    }
    while (!queue_.empty() && !ended_) {
        auto event = std::move(queue_.front());
        queue_.pop_front();
        event();
    }
}

void Headless::runFor(std::uint64_t ms) {
    const std::uint64_t target = now_ + ms;
    while (!ended_) {
        dispatch([this] { dispatchPending(); });
        if (ended_) break;
        std::uint64_t next = UINT64_MAX;
        for (const TimerSlot& slot : timers_)
            if (slot.timer->enabled()) next = std::min(next, *slot.dueAt);
        if (next > target) break;
        now_ = std::max(now_, next);
    }
    now_ = std::max(now_, target);
}

void Headless::doEvents() { dispatchPending(); }

void Headless::post(std::function<void()> event) { queue_.push_back(std::move(event)); }

void Headless::click(ControlId id) {
    post([this, id] {
        platform::Control& control = form_->control(id);
        form_->focus = id;
        if (control.row().kind == ControlKind::CheckBox)
            static_cast<platform::CheckBox&>(control).clickedByUser();
        else if (control.row().kind == ControlKind::Button)
            static_cast<platform::Button&>(control).click();
    });
}

void Headless::type(ControlId textBox, std::string text) {
    post([this, textBox, text = std::move(text)] {
        form_->focus = textBox;
        static_cast<HTextBox&>(form_->control(textBox)).userTypes(text);
    });
}

void Headless::keyDown(std::int16_t keyCode, std::int16_t shift) {
    post([this, keyCode, shift] { deliverKey(keyCode, shift); });
}

void Headless::deliverKey(std::int16_t keyCode, std::int16_t shift) {
    if (form_->onKeyDown) form_->onKeyDown(keyCode, shift);
    const ControlSpec& focused = pellmora::controlSpec(form_->focus);
    if (keyCode == kVkReturn) {
        const ControlId pressed = focused.kind == ControlKind::Button ? focused.id : ControlId::btnOK;
        form_->get<platform::Button>(pressed).click();
        return;
    }
    if (keyCode == kVkEscape) {
        form_->get<platform::Button>(ControlId::btnCancel).click();
        return;
    }
    if (keyCode == kVkTab) {
        std::vector<const ControlSpec*> order;
        for (const ControlSpec& row : pellmora::controlTable())
            if (canTakeFocus(row.kind) && row.visible) order.push_back(&row);
        std::sort(order.begin(), order.end(), [](auto* a, auto* b) { return a->tabIndex < b->tabIndex; });
        auto at = std::find(order.begin(), order.end(), &focused);
        std::size_t i = at == order.end() ? 0 : static_cast<std::size_t>(at - order.begin());
        i = (shift & kShiftMask) != 0 ? (i + order.size() - 1) % order.size() : (i + 1) % order.size();
        form_->focus = order[i]->id;
        return;
    }
    keysToControls.push_back(nameOf(focused) + " " + std::to_string(keyCode));
}

std::vector<std::string> Headless::logOf(std::initializer_list<std::string_view> prefixes) const {
    std::vector<std::string> lines;
    for (const std::string& line : log)
        if (std::any_of(prefixes.begin(), prefixes.end(), [&](std::string_view p) { return line.starts_with(p); }))
            lines.push_back(line);
    return lines;
}

void Headless::messageBox(std::string_view text, int style, std::string_view title) {
    messageBoxes.push_back({std::string(text), style, std::string(title)});
    record("message " + std::string(text));
    if (whileMessageBox) {
        const auto modalLoop = whileMessageBox;
        modalLoop();
    }
}

bool Headless::startProgram(const std::string& path) {
    const bool ok = canStart ? canStart(path) : (files_.exists(path) && !files_.isFolder(path));
    record((ok ? "start " : "cannot start ") + path);
    if (ok) started.push_back(path);
    return ok;
}

}  // namespace headless
