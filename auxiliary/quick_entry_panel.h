#pragma once

// What the quick-entry controller asks of its panel. The panel is a window of its own that takes the
// keyboard and floats above other programs.
class TDQuickEntryPanel {
public:
    virtual ~TDQuickEntryPanel() = default;
    // Shown, and not faded out.
    virtual bool isPanelVisible() const = 0;
    // Brings the panel up (fading in when `animate`) with the target menu rebuilt; once it stands, the
    // panel calls panelDidAppear on the controller.
    virtual void showPanel(bool animate) = 0;
    // Hides the panel at once.
    virtual void orderOutPanel() = 0;
    // Back to the height it was first shown at.
    virtual void restoreInitialFrame() = 0;
    // Ends any edit in the list and clears its selection.
    virtual void endEditing() = 0;
    // Selects the first task and edits its title, the insertion point at its end.
    virtual void beginEditingFirstTask() = 0;
};
