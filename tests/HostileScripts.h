// Script sources that try to hold a frame with work done inside built-in functions; each must be
// stopped by the work budget. Shared by the budget's test and its benchmark.
#pragma once

namespace testing_support {

inline constexpr const char* kHostileScripts[] = {
    "Array.prototype.indexOf.call({length: 2e9}, 1);",
    "Array.prototype.lastIndexOf.call({length: 2e9}, 1);",
    "Array.prototype.join.call({length: 2e9}, 'x');",
    "Array.prototype.sort.call({length: 1e7, 0: 3, 5000000: 1});",
    "var a = []; a.length = 1e8; JSON.stringify(a);",
    "JSON.stringify(Array.prototype.slice.call({length: 1e8}));",
    "/^(a+)+$/.test('a'.repeat(42) + '!');",
    "'xy'.repeat(1e8);",
    "var s = 'ab'.repeat(1e4); for (;;) s = s + s;",
    "var s = 'abc'.repeat(2e5); for (;;) s.indexOf('zz');",
    "var s = 'abc'.repeat(2e5), t = s + 'x'; for (;;) if (s < t) s.charAt(0);",
    "for (;;) [5, 3, 1, 4, 2].sort().join(',');",
    "for (;;) JSON.parse('[' + '1,'.repeat(1000) + '1]');",
    "for (;;) mix3([1, 2, 3], [4, 5, 6], 0.5);",
    "for (;;) { try { Array.prototype.indexOf.call({length: 2e9}, 1); } catch (e) {} }",
};

}  // namespace testing_support
