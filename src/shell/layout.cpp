#include "layout.h"

#include <algorithm>

namespace shell {

int controlIndex(const FormLayout& layout, std::string_view name)
{
    for (std::size_t i = 0; i < layout.controls.size(); ++i) {
        if (layout.controls[i].name == name)
            return int(i);
    }
    return -1;
}

std::vector<std::size_t> tabOrder(const FormLayout& layout)
{
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < layout.controls.size(); ++i) {
        const ControlKind kind = layout.controls[i].kind;
        if (kind != ControlKind::Label && kind != ControlKind::Timer)
            order.push_back(i);
    }
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return layout.controls[a].tabIndex < layout.controls[b].tabIndex;
    });
    return order;
}

std::vector<std::size_t> creationOrder(const FormLayout& layout)
{
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < layout.controls.size(); ++i) {
        if (layout.controls[i].kind != ControlKind::Timer)
            order.push_back(i);
    }
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return layout.controls[a].tabIndex < layout.controls[b].tabIndex;
    });
    for (std::size_t i = 0; i < layout.controls.size(); ++i) {
        const std::string_view buddy = layout.controls[i].options.buddy;
        const int target = buddy.empty() ? -1 : controlIndex(layout, buddy);
        if (target < 0 || layout.controls[i].kind != ControlKind::Label)
            continue;
        order.erase(std::find(order.begin(), order.end(), i));
        order.insert(std::find(order.begin(), order.end(), std::size_t(target)), i);
    }
    return order;
}

}
