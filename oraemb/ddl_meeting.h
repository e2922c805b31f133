// Test seam for DDL that runs at the same moment in several sessions of
// this process. Armed by TARVEL_ORAEMB_MEET_DDL=<seconds>: a DDL statement
// that has taken its session's schema and its table lock waits, before it
// asks for SQLite's writer lock, until another DDL statement of this process
// reaches the same point (or the seconds run out); the two then go on
// together. Two sessions' DDL thus overlaps in its widest window every
// time. Without the variable this costs one getenv.
#pragma once

namespace oraemb {

void meet_other_ddl();

}  // namespace oraemb
