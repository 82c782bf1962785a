#include "bench/figures.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iomanip>

namespace kw::bench {

void Figures::add(const std::string& name, double value)
{
    for (auto& [known, old] : figures_) {
        if (known == name) {
            old = value;
            return;
        }
    }
    figures_.emplace_back(name, value);
}

std::optional<double> Figures::find(const std::string& name) const
{
    for (const auto& [known, value] : figures_) {
        if (known == name)
            return value;
    }
    return std::nullopt;
}

Figures Figures::parse(std::istream& in)
{
    Figures figures;
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t colon = line.rfind(": ");
        if (colon == std::string::npos || colon == 0 || line.find(' ') < colon)
            continue;
        const std::string number = line.substr(colon + 2);
        double value = 0;
        const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
        if (error == std::errc() && end == number.data() + number.size())
            figures.add(line.substr(0, colon), value);
    }
    return figures;
}

void Figures::print(std::ostream& out) const
{
    for (const auto& [name, value] : figures_) {
        const bool whole = value == static_cast<double>(static_cast<long long>(value)) && std::abs(value) < 1e15;
        out << name << ": ";
        if (whole)
            out << static_cast<long long>(value);
        else
            out << std::fixed << std::setprecision(value < 10 ? 3 : 1) << value << std::defaultfloat;
        out << "\n";
    }
}

Figures medians(const std::vector<Figures>& measurements)
{
    Figures result;
    if (measurements.empty())
        return result;
    for (const auto& [name, first] : measurements.front().all()) {
        std::vector<double> values;
        for (const Figures& figures : measurements) {
            if (const auto value = figures.find(name))
                values.push_back(*value);
        }
        if (values.size() != measurements.size())
            continue;
        std::sort(values.begin(), values.end());
        const std::size_t middle = values.size() / 2;
        result.add(name, values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2);
    }
    return result;
}

} // namespace kw::bench
