// Parses T-SQL statements with node-sql-parser (database "TransactSQL"), so a SQL Server text is
// checked without a SQL Server. Reads the statements from standard input, separated by NUL
// characters; prints one line per statement: "ok" and the names of its result columns separated
// by commas, or "erro" and the parser's message. Exits 1 when any statement did not parse.
'use strict';
const { Parser } = require('node-sql-parser');

const parser = new Parser();
const text = require('fs').readFileSync(0, 'utf8');
let failed = false;
for (const statement of text.split('\0')) {
    if (statement.trim() === '')
        continue;
    try {
        let ast = parser.astify(statement, { database: 'TransactSQL' });
        if (Array.isArray(ast))
            ast = ast[0];
        const names = (ast.columns || []).map((c) => {
            if (c.as)
                return c.as;
            const expr = c.expr || {};
            const column = expr.column;
            if (typeof column === 'string')
                return column;
            if (column && column.expr)
                return column.expr.value;
            return '?';
        });
        console.log('ok ' + names.join(','));
    } catch (error) {
        failed = true;
        console.log('erro ' + String(error.message).replace(/\s+/g, ' ').slice(0, 400));
    }
}
process.exit(failed ? 1 : 0);
