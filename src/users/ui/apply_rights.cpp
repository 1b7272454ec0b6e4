#include "users/ui/apply_rights.h"

#include "widgets/data_grid.h"
#include "widgets/date_field.h"

#include <QAction>
#include <QMenu>
#include <QPointer>
#include <QToolButton>
#include <vector>

namespace {

struct Honouring {
    QPointer<QObject> window;
    std::function<void(const Rights&)> apply;
};

std::vector<Honouring>& honouring() {
    static std::vector<Honouring> list;
    return list;
}

}  // namespace

void grantRights(const Rights& rights) {
    setCurrentRights(rights);
    auto& list = honouring();
    list.erase(std::remove_if(list.begin(), list.end(), [](const Honouring& h) { return h.window.isNull(); }),
               list.end());
    // A window may register another while being applied; walk a copy.
    const std::vector<Honouring> now = list;
    for (const Honouring& h : now)
        if (h.window)
            h.apply(rights);
}

void honourRights(QObject* window, std::function<void(const Rights&)> apply) {
    apply(currentRights());
    honouring().push_back({window, std::move(apply)});
}
