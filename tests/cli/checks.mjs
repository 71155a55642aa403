// The check shared by the command's end-to-end scripts in JavaScript: counts each check passed or failed,
// prints the failures as they come and, at the end, the closing line and the exit code.
export function checker() {
  let passed = 0;
  let failed = 0;
  const check = (ok, what) => {
    if (ok) passed += 1;
    else {
      failed += 1;
      console.log(`FAIL ${what}`);
    }
  };
  const finish = () => {
    console.log(`${passed} passed, ${failed} failed`);
    process.exit(failed ? 1 : 0);
  };
  return { check, finish };
}

export const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
