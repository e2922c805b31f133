// Why a saved query cannot be a view, judged from the Access file alone:
// the Access SQL layer's own refusal (parameters, damage, cycles) or the
// view translator's, as the run would give it, for a report made after the
// run (which does not keep the run's lines).
#pragma once

#include <string>
#include <vector>

class jet_file;

// One reason per name, in order; empty when the query would translate (it
// may still lack a view: the run did not make views, or Oracle refused it)
// and for an action query.
std::vector<std::string> logic_view_refusals(const jet_file& file,
                                             const std::vector<std::u16string>& names);
