// Writes values into a hive from a separate process, for the tests of concurrent writers.
// Usage: hive_writer_child <hive> <prefix> <count>   writes "<prefix>-<i>" = i for each i
//        hive_writer_child <hive> <prefix> forever   writes "<prefix>" = 1, 2, 3, ... until killed
#include "persistence/PreferencesStore.h"

#include <QCoreApplication>
#include <string>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 4)
        return 2;
    vireo::PreferencesStore store(vireo::HivePaths{QString::fromLocal8Bit(argv[1]), {}, {}});
    const std::string prefix = argv[2];
    if (std::string(argv[3]) == "forever") {
        for (std::int32_t i = 1;; ++i)
            store.WriteRegInteger(vireo::SettingsKey, prefix, i);
    }
    const int count = std::stoi(argv[3]);
    int failures = 0;
    for (int i = 0; i < count; ++i) {
        if (!store.WriteRegInteger(vireo::SettingsKey, prefix + "-" + std::to_string(i), i))
            ++failures;
    }
    return failures == 0 ? 0 : 1;
}
