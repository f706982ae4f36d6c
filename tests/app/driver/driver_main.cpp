// zep-wine-driver SCENARIO name=value...: runs one scenario against the dialog program and
// exits with 0 when every expectation held.

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "tests/app/driver/checks.h"
#include "tests/app/driver/scenarios.h"
#include "tests/app/driver/test_files.h"

namespace {

const std::map<std::string, void (*)()>& Scenarios() {
    static const std::map<std::string, void (*)()> scenarios = {
        {"layout", &ScenarioLayout},
        {"settings", &ScenarioSettings},
        {"updates", &ScenarioUpdates},
        {"analysis", &ScenarioAnalysis},
        {"about", &ScenarioAbout},
        {"link", &ScenarioLink},
        {"menus", &ScenarioMenus},
        {"resources", &ScenarioResources},
        {"time-analysis", &ScenarioTimeAnalysis},
    };
    return scenarios;
}

bool TakeSetting(const std::string& argument) {
    const size_t equals = argument.find('=');
    if (equals == std::string::npos) {
        return false;
    }
    const std::string name = argument.substr(0, equals);
    const std::string value = argument.substr(equals + 1);
    DriverSettings& settings = Settings();
    const std::map<std::string, std::string*> fields = {
        {"program", &settings.program},
        {"cli", &settings.cliProgram},
        {"work", &settings.workRoot},
        {"server", &settings.serverDir},
        {"browser-log", &settings.browserLog},
        {"shots", &settings.shotDir},
        {"captures", &settings.captureDir},
        {"host", &settings.makerHost},
        {"support-email", &settings.supportEmail},
        {"capture", &settings.timedCapture},
        {"time-limit", &settings.timeLimit},
    };
    const auto field = fields.find(name);
    if (field == fields.end()) {
        return false;
    }
    *field->second = value;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || Scenarios().find(argv[1]) == Scenarios().end()) {
        std::fprintf(stderr, "usage: zep-wine-driver SCENARIO name=value...\nscenarios:");
        for (const auto& scenario : Scenarios()) {
            std::fprintf(stderr, " %s", scenario.first.c_str());
        }
        std::fprintf(stderr, "\n");
        return 2;
    }
    for (int i = 2; i < argc; ++i) {
        if (!TakeSetting(argv[i])) {
            std::fprintf(stderr, "zep-wine-driver: unknown setting %s\n", argv[i]);
            return 2;
        }
    }
    std::printf("scenario %s\n", argv[1]);
    std::fflush(stdout);
    try {
        Scenarios().at(argv[1])();
    } catch (const StepFailed& failure) {
        std::printf("  FAIL: %s\n", failure.what.c_str());
        std::printf("scenario %s: stopped\n", argv[1]);
        return 1;
    }
    const int failures = FailureCount();
    std::printf("scenario %s: %s\n", argv[1],
                failures == 0 ? "passed" : (std::to_string(failures) + " failed").c_str());
    return failures == 0 ? 0 : 1;
}
