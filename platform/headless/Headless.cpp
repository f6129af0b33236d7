#include "platform/headless/Headless.h"

#include <algorithm>
#include <sstream>

namespace headless {

using platform::ControlKind;
using platform::ControlRow;
using platform::Row;

namespace {

std::string number(float value) {
    std::ostringstream out;
    out << value;
    return out.str();
}

// What a change of each kind of control shows in the log.
std::string stateOf(const platform::Label& label) { return "=" + label.caption(); }
std::string stateOf(const platform::CheckBox& box) { return " value=" + std::to_string(box.value()); }
std::string stateOf(const platform::TextBox& box) { return " text=" + box.text(); }
std::string stateOf(const platform::ProgressBar& bar) {
    return " max=" + number(bar.max()) + " value=" + number(bar.value());
}
std::string stateOf(const platform::Control&) { return {}; }

// Any control of the platform, recording what the logic does to it.
template <class Base>
class Recorded : public Base {
public:
    Recorded(const ControlRow& row, Headless& host) : Base(row), host_(host) {}
    void refresh() override { host_.record(std::string(this->row().name) + " refresh"); }
    // The user edits the text, as opposed to code setting it.
    void userTypes(std::string text)
        requires std::is_base_of_v<platform::TextBox, Base>
    {
        this->editedByUser(std::move(text));
    }

protected:
    void moved() override {}
    void changed() override {
        host_.record(std::string(this->row().name) + stateOf(static_cast<const Base&>(*this)));
        if constexpr (std::is_base_of_v<platform::Label, Base>)
            if (this->heard()) host_.announced.emplace_back(host_.now(), this->caption());
    }

private:
    Headless& host_;
};

class HTimer : public platform::Timer {
public:
    HTimer(const ControlRow& row, Headless& host) : Timer(row), host_(host) {
        if (enabled()) dueAt_ = host_.now() + static_cast<std::uint64_t>(interval());
        host_.registerTimer(this, &dueAt_);
    }

protected:
    void enabledChanged() override {
        if (enabled()) dueAt_ = host_.now() + static_cast<std::uint64_t>(interval());
        host_.record(std::string(row().name) + (enabled() ? " on" : " off"));
    }

private:
    Headless& host_;
    std::uint64_t dueAt_ = 0;
};

}  // namespace

// --- HeadlessForm -------------------------------------------------------------

HeadlessForm::HeadlessForm(Headless& host, const platform::FormLayout& layout)
    : host_(host), layout_(layout), keys_(platform::keyboardRules(layout.controls)) {
    if (!keys_.tabOrder.empty()) focus = keys_.tabOrder.front();
    controls_.resize(layout.controls.size());
    timers_.resize(layout.controls.size());
    for (Row at = 0; at < layout.controls.size(); ++at) {
        const ControlRow& row = layout.controls[at];
        std::unique_ptr<platform::Control> control;
        switch (row.kind) {
        case ControlKind::Timer: {
            auto timer = std::make_unique<HTimer>(row, host);
            timers_[at] = timer.get();
            ownedTimers_.push_back(std::move(timer));
            continue;
        }
        case ControlKind::Button: control = std::make_unique<Recorded<platform::Button>>(row, host); break;
        case ControlKind::CheckBox: control = std::make_unique<Recorded<platform::CheckBox>>(row, host); break;
        case ControlKind::TextBox: control = std::make_unique<Recorded<platform::TextBox>>(row, host); break;
        case ControlKind::Label: control = std::make_unique<Recorded<platform::Label>>(row, host); break;
        case ControlKind::ProgressBar: control = std::make_unique<Recorded<platform::ProgressBar>>(row, host); break;
        case ControlKind::Frame:
        case ControlKind::Panel:
        case ControlKind::TabStrip: control = std::make_unique<Recorded<platform::StaticControl>>(row, host); break;
        }
        controls_[at] = control.get();
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

float HeadlessForm::outerWidth() const { return layout_.clientWidth + frameWidth; }
float HeadlessForm::outerHeight() const { return layout_.clientHeight + frameHeight; }

void HeadlessForm::unloadAndEnd() {
    visible_ = false;
    host_.end();
    throw ProgramEnded{};
}

// --- Headless -----------------------------------------------------------------

Headless::Headless(const platform::FormLayout& layout) {
    files_.afterCall = [this] { now_ += msPerFileCall; };
    form_ = std::make_unique<HeadlessForm>(*this, layout);
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

void Headless::drainQueue() {
    while (!queue_.empty() && !ended_) {
        auto event = std::move(queue_.front());
        queue_.pop_front();
        event();
    }
}

// Input first, then the timers that are due in the order they fell due,
// then whatever input those ticks queued.
void Headless::dispatchPending() {
    drainQueue();
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
    drainQueue();
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

bool Headless::doEvents() {
    dispatchPending();
    return shiftKeyDown;
}

void Headless::post(std::function<void()> event) { queue_.push_back(std::move(event)); }

void Headless::click(Row row) {
    post([this, row] {
        platform::Control& control = form_->control(row);
        form_->focus = row;
        if (control.row().kind == ControlKind::CheckBox)
            static_cast<platform::CheckBox&>(control).clickedByUser();
        else if (control.row().kind == ControlKind::Button)
            static_cast<platform::Button&>(control).click();
    });
}

void Headless::type(Row textBox, std::string text) {
    post([this, textBox, text = std::move(text)] {
        form_->focus = textBox;
        static_cast<Recorded<platform::TextBox>&>(form_->control(textBox)).userTypes(text);
    });
}

void Headless::keyDown(std::int16_t keyCode, std::int16_t shift) {
    post([this, keyCode, shift] { deliverKey(keyCode, shift); });
}

// Key preview first, then the dialog keys by the table's keyboard rules.
void Headless::deliverKey(std::int16_t keyCode, std::int16_t shift) {
    if (form_->onKeyDown) form_->onKeyDown(keyCode, shift);
    const platform::KeyboardRules& keys = form_->keys();
    std::optional<Row> pressed;
    if (keyCode == kVkReturn) pressed = keys.enterTarget(form_->layout().controls, form_->focus);
    if (keyCode == kVkEscape) pressed = keys.cancelButton;
    if (pressed) {
        form_->get<platform::Button>(*pressed).click();
        return;
    }
    if (keyCode == kVkTab && !keys.tabOrder.empty()) {
        const auto& order = keys.tabOrder;
        const auto at = std::find(order.begin(), order.end(), form_->focus);
        std::size_t i = at == order.end() ? 0 : static_cast<std::size_t>(at - order.begin());
        i = (shift & kShiftMask) != 0 ? (i + order.size() - 1) % order.size() : (i + 1) % order.size();
        form_->focus = order[i];
    }
}

std::vector<std::string> Headless::logOf(std::initializer_list<std::string_view> prefixes) const {
    std::vector<std::string> lines;
    for (const std::string& line : log)
        if (std::any_of(prefixes.begin(), prefixes.end(), [&](std::string_view p) { return line.starts_with(p); }))
            lines.push_back(line);
    return lines;
}

void Headless::messageBox(std::string_view text, platform::MessageStyle style, std::string_view title) {
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
