#pragma once

#include "qsingleapplication.h"

/// The Tapwise application: process-wide set-up in its constructor, the main window in run(),
/// and the fixed shutdown order.
class QMainApplication : public QSingleApplication
{
    Q_OBJECT
public:
    QMainApplication(int &argc, char **argv);
    ~QMainApplication() override;

    void loadLanguage();

protected:
    void init() override;
    int run() override;
    void uninit() override;
};

namespace AppConstants {
constexpr char kSettingsFileName[] = "/app.ini";
constexpr char kServerName[] = "docmill_win";
constexpr char kCodeWord[] = "keystride";
constexpr char kProductIdPattern[] = "%1_win";
constexpr int kProductType = 29;
constexpr int kHttpClientStart = 3;
constexpr unsigned int kAdmittedMessages[] = {563, 74, 49};
} // namespace AppConstants
