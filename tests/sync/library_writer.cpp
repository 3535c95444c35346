// Writes a library of scripts tagged with a mark into a library file and,
// when told a step, stops there inside the transaction until it is killed.
//   library_writer <file> <mark> <scripts> [stop step | "last"]
#include "model/data_center.h"
#include "model/session_state.h"
#include "sync/library_file.h"

#include <QCoreApplication>
#include <cstdio>

using namespace quorvel;

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc < 4)
        return 2;
    const QString mark = QString::fromLocal8Bit(argv[2]);
    const int count = QString::fromLocal8Bit(argv[3]).toInt();
    const QString stop = argc > 4 ? QString::fromLocal8Bit(argv[4]) : QString();

    data_center& store = data_center::instance();
    auto profile = user_login_info_spt::create();
    profile->account = QStringLiteral("writer");
    profile->userName = mark;
    session_state::instance().set_login_user(profile);
    script_map_t scripts;
    for (int i = 0; i < count; ++i) {
        auto s = script_node_spt::create();
        s->id = QStringLiteral("s%1").arg(i);
        s->classifyId = QStringLiteral("c1");
        s->speechContent = mark;
        scripts[s->classifyId].append(s);
    }
    store.replace_scripts(scripts);

    const auto hook = [&stop](int step, int last_step) {
        const bool here = stop == QLatin1String("last") ? step == last_step
                                                        : !stop.isEmpty() && step == stop.toInt();
        if (!here)
            return;
        std::printf("stopped at %d\n", step);
        std::fflush(stdout);
        std::getchar(); // the parent kills us while we wait here
    };
    return library_file(QString::fromLocal8Bit(argv[1])).save(store, hook) ? 0 : 1;
}
