#pragma once

// The one main window: "Quillmore", 980 × 820 by default and never smaller than 860 × 740,
// around the content view. Closing it quits the application.

#include <QMainWindow>
#include <QSettings>
#include <QStringList>

#include <memory>

namespace quillmore {

class ContentView;
class FilePanels;
class WorkflowViewModel;

// True when the program was started with the whole argument "--uitesting-reset" (after the
// program name); "--uitesting-reset=1" and the like do not count.
bool resetRequested(const QStringList &arguments);
// Clears the stored preferences and folder bookmarks.
void resetStoredState(QSettings &settings);
// At start: clears the stored state when "--uitesting-reset" was given, but never when another
// Quillmore answered (it is running on those settings, and this start only hands over to it).
// True when cleared.
bool applyResetArgument(const QStringList &arguments, bool anotherInstanceAnswered, QSettings &settings);

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    static constexpr QSize kDefaultSize{980, 820};
    static constexpr QSize kMinimumSize{860, 740};

    // With the real services and the desktop's file panels.
    explicit MainWindow(QWidget *parent = nullptr);
    // With a controller made elsewhere (tests).
    MainWindow(std::unique_ptr<WorkflowViewModel> viewModel, FilePanels *panels, QWidget *parent = nullptr);

    ContentView *contentView() const { return m_content; }
    // Brings the window to the front (a second start of the program asks for this).
    void raiseToFront();

protected:
    // Closing during a copy asks first, and so does closing with a report not saved.
    void closeEvent(QCloseEvent *event) override;

private:
    void build(std::unique_ptr<WorkflowViewModel> viewModel, FilePanels *panels);
    ContentView *m_content = nullptr;
};

} // namespace quillmore
