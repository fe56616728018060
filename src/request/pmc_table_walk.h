// The bookkeeping of one table walk: which columns are still asked for,
// where each one stands, and how the cells the device returns become rows.
//
// A walk asks for its columns with GetNextRequests or, when given a number
// of repetitions, with GetBulkRequests (SNMPv2c and SNMPv3). Each binding
// of an answer is checked against the column it was asked for: a name
// outside that column's subtree (or an endOfMibView) means the device holds
// no more cells in the column, which then leaves the walk and is no longer
// asked for. Every cell the device returns is queued in its column until
// its row is due; a GetBulk answer queues up to as many cells per column as
// repetitions were asked (binding k of the answer belongs to the column
// asked at position k modulo the number of columns asked).
//
// An endOfMibView in a GetBulk answer is not taken on trust: some agents
// end a bulk answer so where more objects follow. The column is asked once
// more with a GetNext, whose answer settles whether it has ended.
//
// Columns are joined into rows by group. Columns of one group (by default:
// of one table entry, their names differing only in the last
// sub-identifier) are joined by table index: the group's next row is the
// smallest index among the cells at the heads of its columns' queues, so
// its rows are the union of the indices of its columns, and a column
// without a cell at that index gets an absent cell (its name at that index
// with a noSuchInstance value), never the value of another cell. A column
// is asked again only once its queue is empty, so a table whose columns all
// hold the same indices takes one GetNext request per row plus the one
// that ends it, whatever the pattern of the answers.
//
// Rows are taken in one of two ways:
//  - joined: row k holds row k of every group, side by side (a group that
//    has ended gives absent cells named by the column alone): take_row;
//  - per group: each group's rows on their own, as soon as they are
//    ready (several tables read at once): take_group_row.
//
//   PmcTableWalk walk;
//   walk.start(request_pdu, root);        // the columns are the request's bindings
//   while (walk.wants_request()) {
//     walk.fill_request(pdu, 0);          // GetNext; then exchange the PDU
//     walk.take_answer(pdu);              // the device's answer
//     while (walk.row_ready()) walk.take_row(&row);
//   }
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "base/pmc_object.h"
#include "protocol/pmc_oid.h"
#include "protocol/pms_pdu.h"

// True for the value of a cell the device lacks in a walked row (and for
// the other exception values, which carry no value of the device either).
bool pmc_is_absent_cell(const IPmcValue& value);

class PmcTableWalk {
 public:
  // What the last GetBulk answer said about the number of repetitions.
  struct BulkAnswer {
    size_t repetitions = 0;  // whole repetitions the answer held
    bool cut_short = false;  // fewer than asked, and no column at its end
  };

  // Sets the columns up from the bindings of `request`: one column per
  // binding, rooted at its name, grouped by table entry. The first column
  // is rooted at `root` when its name lies at or below `root` (a walk that
  // starts inside a column). -2 when the request has no bindings.
  int start(const IPmsPdu& request, const IPmcOid& root);
  // The same with groups given: the first `group_sizes[0]` bindings form
  // group 0, the next `group_sizes[1]` group 1, and so on; each column is
  // rooted at its own name. -2 when the sizes do not add up to the
  // bindings or a group is empty.
  int start_groups(const IPmsPdu& request, const size_t* group_sizes, size_t group_count);

  // True while some column is still in the walk and needs asking.
  bool wants_request() const;
  // How many columns the next request asks (at most `cap`).
  size_t columns_to_ask(size_t cap = SIZE_MAX) const;
  // True when a column to ask got endOfMibView in a GetBulk answer: the
  // next request should be a GetNext, whose answer settles its end.
  bool wants_confirmation() const;
  // Turns `pdu` into the next request: one binding (name, NULL) per column
  // to ask, in column order, at most `cap` of them (the others wait for a
  // later request); a GetNextRequest when `repetitions` is 0, else a
  // GetBulkRequest without non-repeaters and with that many
  // max-repetitions.
  int fill_request(IPmsPdu* pdu, int32_t repetitions, size_t cap = SIZE_MAX);
  // Reads the device's answer to the last request. 0, or: -7 when the
  // device refused the request or a GetNext answer does not hold one
  // binding per column asked; PMC_E_WALK_STUCK when a column's name does
  // not advance.
  int take_answer(IPmsPdu* answer);
  // What the last GetBulk answer held (zeros after a GetNext).
  const BulkAnswer& last_bulk_answer() const { return m_bulk; }

  // Joined rows: true when the next row can be built (every column in the
  // walk has its next cell, and at least one has one).
  bool row_ready() const;
  // Builds the next joined row: one binding per column, in column order.
  // -3 when memory runs out.
  int take_row(PmcPtr<IPmsPdu>* row);

  // Rows per group: true when group `group`'s next row can be built.
  bool group_row_ready(size_t group) const;
  // Builds the next row of `group`: one binding per column of the group,
  // in column order.
  int take_group_row(size_t group, PmcPtr<IPmsPdu>* row);

  size_t column_count() const { return m_columns.size(); }
  size_t group_count() const { return m_groupCount; }
  // Columns asked in the last request.
  size_t asked_count() const { return m_asked.size(); }

 private:
  struct Column {
    PmcPtr<IPmcOid> root;      // the column's subtree
    size_t root_count = 0;     // sub-identifiers of the root
    PmcPtr<IPmcOid> position;  // the name last asked with, or of the last cell queued
    std::deque<PmcPtr<IPmcVarBind>> cells;  // cells not yet in a row, in order
    bool in_walk = true;       // the device may hold more cells
    bool confirm_end = false;  // a GetBulk answer said endOfMibView
    size_t group = 0;          // columns joined by index share this number
  };

  // Sets column `i` up from `name`, rooted at `root`.
  int set_column(size_t i, const IPmcOid& name, const IPmcOid& root, size_t group);
  // Index of the column of `group` whose head cell has the smallest table
  // index; column_count() when the group has no cell left.
  size_t first_row_column(size_t group) const;
  // Moves the cells of `group` for its next row into `slots`, at the
  // places of its columns.
  int take_group_cells(size_t group, std::vector<PmcPtr<IPmcVarBind>>* slots);
  // Takes one binding the device returned for column `c`.
  int take_cell(Column& c, IPmcVarBind* binding);
  int take_next_answer(IPmcVarBindList* list);
  int take_bulk_answer(IPmcVarBindList* list);
  // Whether the next request asks column `c`: it needs its next cell, or
  // its end is to be confirmed (asked from its last cell, whose answer
  // queues behind the cells it holds).
  static bool to_ask(const Column& c) { return c.in_walk && (c.cells.empty() || c.confirm_end); }
  // Ends the walk of column `c`.
  static void leave(Column& c) { c.in_walk = false; }
  // A row PDU made of `slots` (those of `group` only, unless it is npos).
  int make_row(std::vector<PmcPtr<IPmcVarBind>>* slots, size_t group, PmcPtr<IPmsPdu>* row_out) const;

  std::vector<Column> m_columns;
  size_t m_groupCount = 0;
  // The columns asked in the last request, in binding order.
  std::vector<size_t> m_asked;
  // Max-repetitions of the last request (0: GetNext).
  int32_t m_repetitions = 0;
  BulkAnswer m_bulk;
};
