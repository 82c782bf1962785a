#pragma once
// What one measurement found: named figures, printed one per line as
// "name: value", in the order they were added.

#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace kw::bench {

class Figures {
public:
    void add(const std::string& name, double value);
    std::optional<double> find(const std::string& name) const;
    const std::vector<std::pair<std::string, double>>& all() const { return figures_; }

    // Reads every "name: value" line; other lines are passed over.
    static Figures parse(std::istream& in);
    void print(std::ostream& out) const;

private:
    std::vector<std::pair<std::string, double>> figures_;
};

// The median of each figure over several measurements, in the order of the
// first; a figure missing from any measurement is left out.
Figures medians(const std::vector<Figures>& measurements);

} // namespace kw::bench
