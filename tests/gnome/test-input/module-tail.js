
export default TestInput;
